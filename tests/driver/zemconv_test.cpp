// zemconv end to end, with a recording stand-in for each sibling tool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/recorded_calls.h"
#include "tools/path_claim.h"
#include "tests/support/run_program.h"

namespace zembra::testing {
namespace {

namespace fs = std::filesystem;

using Calls = std::vector<std::vector<std::string>>;

class Zemconv : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = MakeTempDirectory("zembra-e2e");
    // A program directory whose name the shell would love to interpret.
    programDir_ = root_ + "/prog dir $HOME `x`";
    work_ = root_ + "/work";
    fs::create_directories(programDir_);
    fs::create_directories(work_);
    fs::copy_file(std::string(ZEMBRA_BIN_DIR) + "/zemconv", programDir_ + "/zemconv");
    for (const char* tool : {"zemrender.lib", "zemkit.lib", "zemexport.lib"})
      fs::copy_file(std::string(ZEMBRA_TEST_BIN_DIR) + "/fake_sibling", programDir_ + "/" + tool);
  }
  void TearDown() override { RemoveDirectory(root_); }

  ProgramResult Run(const std::vector<std::string>& args, const std::string& mode = "write") {
    std::vector<std::string> argv = {programDir_ + "/zemconv"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, work_, {"ZEMBRA_FAKE_LOG=" + root_ + "/calls.log", "ZEMBRA_FAKE_MODE=" + mode});
  }

  // Every tool call: the tool's name, then its arguments.
  Calls ToolCalls() const { return ReadRecordedCalls(root_ + "/calls.log"); }

  std::string At(const std::string& name) const { return work_ + "/" + name; }

  std::string root_, programDir_, work_;
};

TEST_F(Zemconv, NoArgumentsPrintsTheUsageText) {
  const ProgramResult result = Run({});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output.rfind("\n=======================================================\nZembra v 2.0\n", 0), 0u);
  EXPECT_TRUE(ToolCalls().empty());
}

TEST_F(Zemconv, OneArgumentIsAnError) {
  for (const char* argument : {"-toc", "in.html", ""}) {
    const ProgramResult result = Run({argument});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Error command. Please try again.\n");
  }
  EXPECT_TRUE(ToolCalls().empty());
}

TEST_F(Zemconv, RefusesAnOutputThatIsAlreadyThere) {
  WriteFile(At("out.pdf"), "precious");
  WriteFile(At("page.html"), "precious");
  WriteFile(At("old0001.jpg"), "stale");
  ::symlink("/nonexistent/target", At("dangling.png").c_str());
  for (const char* output : {"out.pdf", "page.html", "old.jpg", "dangling.png", "."}) {
    const ProgramResult result = Run({"in.html", output});
    EXPECT_EQ(result.exitCode, 1) << output;
    EXPECT_EQ(result.output, "The output file exists. Please try again.\n") << output;
  }
  EXPECT_EQ(ReadFile(At("out.pdf")), "precious");
  EXPECT_EQ(ReadFile(At("old0001.jpg")), "stale");
  EXPECT_TRUE(ToolCalls().empty());
}

TEST_F(Zemconv, RefusesUnknownSuffixes) {
  fs::create_directories(At("dir.d"));
  for (const char* output : {"out.Pdf", "out.jpeg", "out.tiff", "out.html", "out", "dir.d/out", "out.", "o.Jpg"}) {
    const ProgramResult result = Run({"in.html", output});
    EXPECT_EQ(result.exitCode, 1) << output;
    EXPECT_EQ(result.output, "Error outfile format. Please try again.\n") << output;
  }
  EXPECT_TRUE(ToolCalls().empty());
}

TEST_F(Zemconv, PdfWithoutToolboxWorkRunsTheRendererOnly) {
  const ProgramResult result = Run({"in.html", "out.pdf"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, "in.html==>out.pdf\nresult=OK\n");
  EXPECT_EQ(ToolCalls(), (Calls{{"zemrender.lib", "in.html", "out.pdf"}}));
}

TEST_F(Zemconv, HiddenNameIsAPdfOutput) {
  const ProgramResult result = Run({"in.html", ".pdf"});
  EXPECT_EQ(result.output, "in.html==>.pdf\nresult=OK\n");
  EXPECT_EQ(ToolCalls(), (Calls{{"zemrender.lib", "in.html", ".pdf"}}));
}

TEST_F(Zemconv, PdfWithToolboxWorkGoesThroughTheIntermediatePdf) {
  const ProgramResult result = Run({"-toc", "-crossmerge", "-r", "300", "-ownerpassword", "o", "in.html", "out.pdf"});
  EXPECT_EQ(result.output, "in.html==>out.pdf\nresult=OK\n");
  EXPECT_EQ(ToolCalls(), (Calls{{"zemrender.lib", "--toc", "in.html", "outtemp.pdf"},
                                {"zemkit.lib", "-r", "300", "outtemp.pdf", "-crossmerge", "-outfile", "out.pdf",
                                 "-ownerpassword", "o"}}));
  EXPECT_FALSE(FileExists(At("outtemp.pdf")));
}

TEST_F(Zemconv, OtherOutputsRenderThenConvert) {
  for (const char* output : {"out.ps", "OUT.JPG", "sub.dir.doc"}) {
    const std::string temp = std::string(output).substr(0, std::string(output).rfind('.')) + "temp.pdf";
    const ProgramResult result = Run({"-r", "200", "in.html", output});
    EXPECT_EQ(result.output, std::string("in.html==>") + output + "\nresult=OK\n");
    EXPECT_FALSE(FileExists(At(temp))) << temp;
  }
  EXPECT_EQ(ToolCalls(), (Calls{{"zemrender.lib", "in.html", "outtemp.pdf"},
                                {"zemexport.lib", "-call", "-r", "200", "outtemp.pdf", "out.ps"},
                                {"zemrender.lib", "in.html", "OUTtemp.pdf"},
                                {"zemexport.lib", "-call", "-r", "200", "OUTtemp.pdf", "OUT.JPG"},
                                {"zemrender.lib", "in.html", "sub.dirtemp.pdf"},
                                {"zemexport.lib", "-call", "-r", "200", "sub.dirtemp.pdf", "sub.dir.doc"}}));
}

TEST_F(Zemconv, JudgesTheResultByTheOutputFile) {
  struct Case {
    const char* mode;
    const char* output;
    const char* printed;
    int exitCode;
  };
  const Case cases[] = {
      {"none", "a.png", "Result is failed. No output file is created.\n", 1},
      {"empty", "b.png", "Result is failed. The output file is empty.\n", 1},
      {"series", "c.png", "in.html==>c.png\nresult=OK\n", 0},
      {"chatty", "d.png", "in.html==>d.png\nresult=OK\n", 0},
      {"none", "e.pdf", "Result is failed. No output file is created.\n", 1},
  };
  for (const Case& c : cases) {
    const ProgramResult result = Run({"in.html", c.output}, c.mode);
    EXPECT_EQ(result.output, c.printed) << c.mode;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.mode;
  }
  EXPECT_TRUE(FileExists(At("b.png")));  // an empty result stays where it is
  EXPECT_TRUE(FileExists(At("c0001.png")));
}

TEST_F(Zemconv, HostileArgumentsArriveVerbatimAndRunNothing) {
  const ProgramResult result =
      Run({"-title", "$(touch pwned)", "a;touch pwned", "-cookie", "n", "`touch pwned`\"'", "in.html", "out.pdf"});
  EXPECT_EQ(result.output, "in.html==>out.pdf\nresult=OK\n");
  EXPECT_EQ(ToolCalls(), (Calls{{"zemrender.lib", "--title", "$(touch pwned)", "a;touch", "pwned", "--cookie", "n",
                                 "`touch pwned`\"'", "in.html", "out.pdf"}}));
  EXPECT_FALSE(FileExists(At("pwned")));
}

TEST_F(Zemconv, NeverRendersOverAFileAtTheIntermediatePath) {
  WriteFile(At("outtemp.pdf"), "someone else's");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"in.html", "out.jpg"},
                                               std::vector<std::string>{"-pack", "in.html", "out.pdf"},
                                               std::vector<std::string>{"outtemp.pdf", "out.txt"}}) {
    const ProgramResult result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Convert fail. Please try again.\n");
  }
  EXPECT_EQ(ReadFile(At("outtemp.pdf")), "someone else's");
  EXPECT_TRUE(ToolCalls().empty());
}

TEST_F(Zemconv, MissingSiblingShowsAsNoOutput) {
  fs::remove(programDir_ + "/zemexport.lib");
  const ProgramResult result = Run({"in.html", "out.txt"});
  EXPECT_EQ(result.output, "Result is failed. No output file is created.\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(FileExists(At("outtemp.pdf")));
}

// Another run at work on a name: a process that holds zemconv's claim on
// it until the object goes away.
class OtherRun {
 public:
  explicit OtherRun(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const char claimed = ClaimPath(path) == 1 ? 'y' : 'n';
      [[maybe_unused]] const ssize_t written = ::write(ready[1], &claimed, 1);
      ::pause();
      ::_exit(0);
    }
    ::close(ready[1]);
    char claimed = 0;
    claimed_ = ::read(ready[0], &claimed, 1) == 1 && claimed == 'y';
    ::close(ready[0]);
  }
  ~OtherRun() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  bool claimed() const { return claimed_; }

 private:
  pid_t pid_ = -1;
  bool claimed_ = false;
};

TEST_F(Zemconv, AnOutputAnotherRunIsMakingCountsAsExisting) {
  // Without the claim both runs would print result=OK for the one file.
  for (const char* claimed : {"out.pdf", "out0001.png"}) {
    OtherRun other(At(claimed));
    ASSERT_TRUE(other.claimed());
    const std::string output = std::string(claimed) == "out.pdf" ? "out.pdf" : "out.png";
    const ProgramResult result = Run({"in.html", output});
    EXPECT_EQ(result.exitCode, 1) << claimed;
    EXPECT_EQ(result.output, "The output file exists. Please try again.\n") << claimed;
  }
  EXPECT_TRUE(ToolCalls().empty());
  // Once the other run is gone, whichever way it ended, the name is free.
  EXPECT_EQ(Run({"in.html", "out.pdf"}).output, "in.html==>out.pdf\nresult=OK\n");
}

TEST_F(Zemconv, AnIntermediatePdfAnotherRunIsMakingStopsTheRun) {
  // out.pdf with toolbox work and out.png share outtemp.pdf.
  OtherRun other(At("outtemp.pdf"));
  ASSERT_TRUE(other.claimed());
  for (const std::vector<std::string>& args : {std::vector<std::string>{"in.html", "out.png"},
                                               std::vector<std::string>{"-pack", "in.html", "out.pdf"}}) {
    const ProgramResult result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Convert fail. Please try again.\n");
  }
  EXPECT_TRUE(ToolCalls().empty());
  // A PDF without toolbox work has no intermediate PDF.
  EXPECT_EQ(Run({"in.html", "out.pdf"}).output, "in.html==>out.pdf\nresult=OK\n");
}

}  // namespace
}  // namespace zembra::testing
