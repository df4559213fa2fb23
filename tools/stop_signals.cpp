#include "tools/stop_signals.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// The only global state of zemconv, and only because a signal handler can
// reach nothing else: which stop signal arrived, and whom to pass it on to.
// Both are written with the stop signals blocked (or from the handler, which
// runs with them blocked), so the handler never sees a half-written value.
volatile sig_atomic_t gStopSignal = 0;
volatile sig_atomic_t gStopTarget = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnStopSignal(int signalNumber) {
  const int savedErrno = errno;
  if (gStopSignal == 0) gStopSignal = signalNumber;
  // Every further signal is passed on as well, so a tool that ignored the
  // first Ctrl-C gets the second.
  if (gStopTarget != 0) ::kill(static_cast<pid_t>(gStopTarget), signalNumber);
  errno = savedErrno;
}

bool IsOurHandler(int signalNumber) {
  struct sigaction current;
  return ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == OnStopSignal;
}

void StopSignalSet(sigset_t& set) {
  sigemptyset(&set);
  for (const int signalNumber : kStopSignals) sigaddset(&set, signalNumber);
}

}  // namespace

void InstallStopHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  // No SA_RESTART: a wait for the tool is interrupted and sees the signal.
  StopSignalSet(action.sa_mask);
  for (const int signalNumber : kStopSignals) {
    struct sigaction previous;
    if (::sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    ::sigaction(signalNumber, &action, nullptr);
  }
}

int StopSignal() { return gStopSignal; }

void BlockStopSignals(sigset_t& previous) {
  sigset_t set;
  StopSignalSet(set);
  ::sigprocmask(SIG_BLOCK, &set, &previous);
}

void RestoreSignalMask(const sigset_t& previous) { ::sigprocmask(SIG_SETMASK, &previous, nullptr); }

void SetStopTarget(pid_t target) { gStopTarget = target; }

void ResetStopHandlersInChild() {
  for (const int signalNumber : kStopSignals) {
    if (IsOurHandler(signalNumber)) ::signal(signalNumber, SIG_DFL);
  }
}

void EndIfStopped() {
  sigset_t previous;
  BlockStopSignals(previous);
  for (const int signalNumber : kStopSignals) {
    if (IsOurHandler(signalNumber)) ::signal(signalNumber, SIG_DFL);
  }
  const int stop = gStopSignal;
  if (stop != 0) {
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, stop);
    ::raise(stop);  // pending until unblocked just below, then fatal
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::_Exit(128 + stop);  // not reached unless the signal was blocked from outside
  }
  RestoreSignalMask(previous);
}
