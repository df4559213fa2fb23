#include "tools/path_claim.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/run_program.h"

namespace zembra::testing {
namespace {

// ClaimPath in a child process that ends right after: what a new run would get.
int ClaimInNewProcess(const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(ClaimPath(path) + 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) - 1 : -99;
}

// A run that holds its claim until it is killed; then (with program set)
// the run goes on as that program, as a tool started by zemconv would.
class Holder {
 public:
  Holder(const std::string& path, const std::string& program = "") {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const char result = static_cast<char>('1' + ClaimPath(path));
      [[maybe_unused]] const ssize_t written = ::write(ready[1], &result, 1);
      if (!program.empty()) ::execl(program.c_str(), program.c_str(), "30", static_cast<char*>(nullptr));
      ::pause();
      ::_exit(0);
    }
    ::close(ready[1]);
    char result = 0;
    if (::read(ready[0], &result, 1) == 1) claimed_ = result - '1';
    ::close(ready[0]);
    if (!program.empty()) ::usleep(200000);  // let the exec happen
  }
  ~Holder() { Kill(); }
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  int claimed() const { return claimed_; }

 private:
  pid_t pid_ = -1;
  int claimed_ = -99;
};

class PathClaim : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDirectory("zembra-claim"); }
  void TearDown() override { RemoveDirectory(dir_); }
  std::string dir_;
};

TEST_F(PathClaim, OneRunAtATimePerFileAndTheKernelReleasesItEvenAfterSigkill) {
  const std::string path = dir_ + "/out.pdf";
  Holder holder(path);
  ASSERT_EQ(holder.claimed(), 1);
  EXPECT_EQ(ClaimInNewProcess(path), 0);
  holder.Kill();  // SIGKILL: no clean-up code runs
  EXPECT_EQ(ClaimInNewProcess(path), 1);
}

TEST_F(PathClaim, TheDirectoryCountsByIdentityNotBySpelling) {
  std::filesystem::create_directories(dir_ + "/sub");
  std::filesystem::create_directory_symlink(dir_ + "/sub", dir_ + "/link");
  Holder holder(dir_ + "/sub/out.png");
  ASSERT_EQ(holder.claimed(), 1);
  for (const std::string& spelling : {dir_ + "/link/out.png", dir_ + "/sub/../sub/out.png", dir_ + "/./sub/out.png"})
    EXPECT_EQ(ClaimInNewProcess(spelling), 0) << spelling;
  for (const std::string& other : {dir_ + "/sub/out.pdf", dir_ + "/out.png", dir_ + "/sub/outtemp.pdf"})
    EXPECT_EQ(ClaimInNewProcess(other), 1) << other;
}

TEST_F(PathClaim, RelativePathsAndLongNames) {
  const std::string longName(250, 'n');
  Holder holder(dir_ + "/" + longName + "a.pdf");
  ASSERT_EQ(holder.claimed(), 1);
  EXPECT_EQ(ClaimInNewProcess(dir_ + "/" + longName + "b.pdf"), 1);
  const std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  EXPECT_EQ(ClaimInNewProcess(longName + "a.pdf"), 0);
  EXPECT_EQ(ClaimInNewProcess("-x.pdf"), 1);
  std::filesystem::current_path(previous);
}

TEST_F(PathClaim, CannotTellForAMissingDirectory) {
  EXPECT_EQ(ClaimInNewProcess(dir_ + "/missing/out.pdf"), -1);
  EXPECT_EQ(ClaimInNewProcess(dir_ + "/"), -1);
}

TEST_F(PathClaim, AToolStartedByTheClaimantDoesNotInheritTheClaim) {
  // The claim's descriptor closes at exec: a sibling left running by a
  // killed zemconv cannot hold the output's name.
  const std::string path = dir_ + "/out.pdf";
  Holder holder(path, "/bin/sleep");
  ASSERT_EQ(holder.claimed(), 1);
  EXPECT_EQ(ClaimInNewProcess(path), 1);
}

}  // namespace
}  // namespace zembra::testing
