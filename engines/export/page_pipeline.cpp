#include "engines/export/page_pipeline.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zembra::exporter {

namespace {

// Hands out pages in order and keeps the earliest failure.
class Series {
 public:
  explicit Series(int count) : count_(count) {}

  /// The next page, or -1 when every page is taken or a page has failed.
  int Take() {
    std::lock_guard lock(mutex_);
    if (next_ >= count_ || failedAt_.load() != kNone) return -1;
    return next_++;
  }
  /// Records a failure of page n; -1 for a thread that could not be set up,
  /// which ranks before every page.
  void Fail(int n, std::string error) {
    std::lock_guard lock(mutex_);
    if (n < failedAt_.load()) {
      failedAt_.store(n);
      error_ = std::move(error);
    }
  }
  /// Whether an earlier page than n has failed.
  bool Abandoned(int n) const { return failedAt_.load(std::memory_order_relaxed) < n; }
  bool failed() const { return failedAt_.load() != kNone; }
  const std::string& error() const { return error_; }

 private:
  static constexpr int kNone = INT_MAX;
  std::mutex mutex_;
  const int count_;
  int next_ = 0;
  std::atomic<int> failedAt_{kNone};
  std::string error_;
};

void Work(Series& series, const PageWorkerMaker& makeWorker, int thread) {
  int n = -1;
  try {
    std::string error;
    std::unique_ptr<PageWorker> worker = makeWorker(thread, error);
    if (!worker) {
      series.Fail(-1, error);
      return;
    }
    while ((n = series.Take()) >= 0) {
      const std::function<bool()> abandon = [&series, n] { return series.Abandoned(n); };
      if (!worker->Handle(n, abandon, error)) {
        series.Fail(n, error);
        return;
      }
    }
  } catch (const std::exception& failure) {  // out of memory, mostly
    series.Fail(n, failure.what());
  }
}

}  // namespace

bool RunPages(int count, int threads, const PageWorkerMaker& makeWorker, std::string& error) {
  if (count <= 0) return true;
  Series series(count);
  std::vector<std::thread> helpers;
  const int wanted = std::clamp(threads, 1, count);
  for (int thread = 1; thread < wanted; ++thread) {
    try {
      helpers.emplace_back(Work, std::ref(series), std::cref(makeWorker), thread);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there are share the pages
    }
  }
  Work(series, makeWorker, 0);
  for (std::thread& helper : helpers) helper.join();
  if (!series.failed()) return true;
  error = series.error();
  return false;
}

int UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace zembra::exporter
