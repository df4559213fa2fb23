// Faults around a conversion: a full or read-only output directory, and a
// sibling stopped by a signal. Each gives a clear error and leaves nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engines/common/files.h"
#include "engines/export/output_format.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

// A small tmpfs of its own, so that "full" and "read-only" are real.
class SmallDisk {
 public:
  SmallDisk(const std::string& path, const std::string& size, bool readOnly) : path_(path) {
    std::filesystem::create_directories(path);
    const std::string options = "size=" + size + ",mode=0777";
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"zemconv", "zemrender.lib", "zemkit.lib", "zemexport.lib"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(tool));
    root_ = MakeTempDirectory("zembra-faults");
    report_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/report.html";
  }
  void TearDown() override { RemoveDirectory(root_); }
  std::string root_, report_;
};

TEST_F(Faults, FullDiskGivesAClearErrorAndNoPartialFile) {
  // A rendered report, kept outside the small disk, for the siblings that read a PDF.
  const std::string pdf = root_ + "/report.pdf";
  ASSERT_EQ(RunProgram({BuiltProgram("zemconv"), report_, pdf}, root_, {}, 300).exitCode, 0);
  SmallDisk disk(root_ + "/small", "8k", false);
  ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
  const std::string small = root_ + "/small/";

  for (const char* output : {"out.pdf", "out.png"}) {
    const ProgramResult result = RunProgram({BuiltProgram("zemconv"), report_, small + output}, root_, {}, 300);
    EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << output;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(FilesIn(small).empty()) << output;
  }
  const std::vector<std::vector<std::string>> siblings = {
      {BuiltProgram("zemrender.lib"), report_, small + "direct.pdf"},
      {BuiltProgram("zemkit.lib"), pdf, "-unpack", "-outfile", small + "kit.pdf"},
      {BuiltProgram("zemexport.lib"), "-call", "-r", "300", pdf, small + "page.png"},
      {BuiltProgram("zemexport.lib"), "-call", "-multipage", pdf, small + "pages.tif"},
      {BuiltProgram("zemexport.lib"), "-call", pdf, small + "slides.pptx"},
  };
  for (const auto& argv : siblings) {
    const ProgramResult result = RunProgram(argv, root_, {}, 300);
    ExpectCleanOutcome(result, argv.back());
    EXPECT_EQ(result.exitCode, 1) << argv.back();
    EXPECT_TRUE(FilesIn(small).empty()) << argv.back();
  }
}

// A report of 13 pages: headings, paragraphs and a long table.
std::string LongReport() {
  std::string html = "<html><head><title>Long report</title></head><body><h1>Long report</h1>";
  for (int section = 1; section <= 20; ++section) {
    html += "<h2>Section " + std::to_string(section) + "</h2><p>";
    for (int word = 0; word < 120; ++word) html += "word" + std::to_string(section * 50 + word) + " ";
    html += "</p>";
  }
  html += "<table border='1'>";
  for (int row = 1; row <= 300; ++row) {
    html += "<tr><td>" + std::to_string(row) + "</td><td>Region " + std::to_string(row % 7) + "</td><td>" +
            std::to_string(row * 13) + "</td><td>note " + std::to_string(row) + "</td></tr>";
  }
  return html + "</table></body></html>";
}

long long BytesIn(const std::string& directory) {
  long long total = 0;
  for (const std::string& name : FilesIn(directory)) total += std::filesystem::file_size(directory + "/" + name);
  return total;
}

// Room for part of an output: half of it, 16 to 64 KiB, so that writing
// starts and then fails; plus whole pages (KiB) for a file that must fit.
std::string RoomFor(long long outputBytes, long long mustFit = 0) {
  const long long part = std::clamp(outputBytes / 2, 16LL << 10, 64LL << 10);
  return std::to_string((mustFit + 4095) / 4096 * 4 + 4 + part / 1024) + "k";
}

// Every output format, through zemconv and through the sibling alone, on a
// disk with room for part of the output only: exit status 1, one line that
// says why, and nothing left on the disk. The output formats are those of
// the exporter's own table, each format once.
TEST_F(Faults, FullDiskFailsEveryFormatWithOneLineAndNoFile) {
  const std::string page = root_ + "/long.html";
  WriteFile(page, LongReport());
  // The PDF the exporter reads, tagged as zemconv's intermediate PDF is.
  const std::string pdf = root_ + "/longtemp.pdf";
  ASSERT_EQ(RunProgram({BuiltProgram("zemrender.lib"), page, pdf}, root_, {}, 300).exitCode, 0);
  const long long intermediateBytes = std::filesystem::file_size(pdf);

  struct Case {
    std::string suffix;
    std::vector<std::string> alone;  ///< the sibling's command line, output last
  };
  std::vector<Case> cases = {{"pdf", {BuiltProgram("zemkit.lib"), pdf, "-outfile"}},
                             {"pdf", {BuiltProgram("zemrender.lib"), page}}};
  std::set<exporter::Format> seen;
  for (const exporter::OutputFormat& row : exporter::OutputFormats()) {
    if (seen.insert(row.format).second) cases.push_back({row.suffix, {BuiltProgram("zemexport.lib"), "-call", pdf}});
  }
  int round = 0;
  for (const Case& c : cases) {
    const std::string what = BaseName(c.alone[0]) + " ." + c.suffix;
    // How large the output is, given room.
    const std::string roomy = root_ + "/roomy" + std::to_string(round);
    std::filesystem::create_directories(roomy);
    std::vector<std::string> argv = c.alone;
    argv.push_back(roomy + "/out." + c.suffix);
    ASSERT_EQ(RunProgram(argv, root_, {}, 300).exitCode, 0) << what;
    const long long outputBytes = BytesIn(roomy);
    RemoveDirectory(roomy);

    {  // The sibling alone.
      const std::string small = root_ + "/alone" + std::to_string(round);
      SmallDisk disk(small, RoomFor(outputBytes), false);
      ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
      argv.back() = small + "/out." + c.suffix;
      const ProgramResult result = RunProgram(argv, root_, {}, 300);
      EXPECT_EQ(result.exitCode, 1) << what << ": " << result.errorOutput;
      const std::string& said = result.errorOutput;
      const size_t reason = said.find("No space left on device");
      EXPECT_NE(reason, std::string::npos) << what << ": " << said;
      EXPECT_EQ(said.find('\n', reason), said.size() - 1) << what << ": the reason is the last line: " << said;
      EXPECT_EQ(said.find("No space left on device", reason + 1), std::string::npos) << what << ": " << said;
      EXPECT_TRUE(FilesIn(small).empty()) << what;
    }
    if (c.alone[0] == BuiltProgram("zemkit.lib")) {
      ++round;
      continue;  // zemconv makes a PDF with the renderer alone
    }
    {  // zemconv, whose intermediate PDF fits beside the output.
      const std::string small = root_ + "/zemconv" + std::to_string(round);
      SmallDisk disk(small, RoomFor(outputBytes, c.suffix == "pdf" ? 0 : intermediateBytes), false);
      ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
      const std::string log = root_ + "/zemconv" + std::to_string(round) + ".log";
      const ProgramResult result =
          RunProgram({BuiltProgram("zemconv"), page, small + "/out." + c.suffix}, root_, {"ZEMBRA_LOG=" + log}, 300);
      EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << "zemconv ." << c.suffix;
      EXPECT_EQ(result.exitCode, 1) << "zemconv ." << c.suffix;
      const std::string logged = ReadFile(log);
      EXPECT_NE(logged.find("No space left on device"), std::string::npos) << "zemconv ." << c.suffix << ": " << logged;
      EXPECT_TRUE(FilesIn(small).empty()) << "zemconv ." << c.suffix;
    }
    ++round;
  }
}

// The engines' own files (pdftops, pdftotext, Ghostscript, LibreOffice) go to
// TMPDIR: a full one fails the run just the same.
TEST_F(Faults, FullTemporaryDirectoryFailsTheEngineFormats) {
  const std::string page = root_ + "/long.html";
  WriteFile(page, LongReport());
  const std::string pdf = root_ + "/long.pdf";
  ASSERT_EQ(RunProgram({BuiltProgram("zemrender.lib"), page, pdf}, root_, {}, 300).exitCode, 0);
  SmallDisk disk(root_ + "/small", "16k", false);
  ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
  const std::string small = root_ + "/small";
  // The input LibreOffice is given is written there first, too; with more
  // room, LibreOffice is not started below 16 MiB.
  for (const char* suffix : {"ps", "eps", "txt", "doc", "xls", "emf", "wmf"}) {
    const ProgramResult result = RunProgram({BuiltProgram("zemexport.lib"), "-call", pdf, small + "/out." + suffix},
                                            root_, {"TMPDIR=" + small}, 300);
    EXPECT_EQ(result.exitCode, 1) << suffix << ": " << result.errorOutput;
    const std::string& said = result.errorOutput;
    size_t reason = said.find("No space left on device");
    if (reason == std::string::npos) reason = said.find("LibreOffice: not enough room in ");
    ASSERT_NE(reason, std::string::npos) << suffix << ": " << said;
    EXPECT_EQ(said.find('\n', reason), said.size() - 1) << suffix << ": the reason is the last line: " << said;
    EXPECT_TRUE(FilesIn(small).empty()) << suffix;
  }
  // LibreOffice's own check, with room for its input but not for itself.
  SmallDisk roomy(root_ + "/roomy", "2m", false);
  ZEMBRA_REQUIRE(roomy.mounted(), "a tmpfs of its own (mounting needs root)");
  const ProgramResult office = RunProgram({BuiltProgram("zemexport.lib"), "-call", pdf, root_ + "/roomy/out.doc"},
                                          root_, {"TMPDIR=" + root_ + "/roomy"}, 300);
  EXPECT_EQ(office.exitCode, 1);
  EXPECT_NE(office.errorOutput.find("zemexport.lib: LibreOffice: not enough room in " + root_ + "/roomy ("),
            std::string::npos)
      << office.errorOutput;
  EXPECT_NE(office.errorOutput.find(" KiB free, 16 MiB needed; TMPDIR chooses the directory)\n"), std::string::npos)
      << office.errorOutput;
  EXPECT_TRUE(FilesIn(root_ + "/roomy").empty());
}

TEST_F(Faults, ReadOnlyDirectoryGivesAClearErrorAndNoFile) {
  SmallDisk disk(root_ + "/ro", "1m", true);
  ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
  for (const char* output : {"out.pdf", "out.jpg"}) {
    const ProgramResult result = RunProgram({BuiltProgram("zemconv"), report_, root_ + "/ro/" + output}, root_, {}, 120);
    EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << output;
    EXPECT_EQ(result.exitCode, 1);
  }
  // The sibling itself names the problem.
  const ProgramResult direct = RunProgram({BuiltProgram("zemrender.lib"), report_, root_ + "/ro/x.pdf"}, root_, {}, 120);
  EXPECT_EQ(direct.exitCode, 1);
  EXPECT_NE(direct.errorOutput.find("zemrender.lib: "), std::string::npos) << direct.errorOutput;
}

// A sibling stopped by a signal takes its engine with it and leaves no file.
TEST_F(Faults, SignalEndsTheSiblingAndItsEngine) {
  const std::string slowPage = root_ + "/slow.html";
  WriteFile(slowPage, "<html><body><p>waiting</p><script>setTimeout(function(){}, 60000)</script></body></html>");
  WriteFile(root_ + "/sample.pdf", "");
  struct Case {
    std::vector<std::string> argv;
    int signalNumber;
  };
  const std::string work = root_ + "/work";
  const std::string tmp = root_ + "/tmp";
  std::filesystem::create_directories(work);
  std::filesystem::create_directories(tmp);
  const Case cases[] = {
      {{BuiltProgram("zemrender.lib"), "--javascript-delay", "20000", slowPage, work + "/out.pdf"}, SIGTERM},
      {{BuiltProgram("zemrender.lib"), "--javascript-delay", "20000", slowPage, work + "/out.pdf"}, SIGINT},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=signal" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    ProgramResult result;
    std::thread runner([&] { result = RunProgram(c.argv, work, {marker, "TMPDIR=" + tmp}, 120); });
    // Wait until the engine is up, then stop the sibling.
    for (int i = 0; i < 200 && ProcessesMarkedWith(marker) < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const pid_t pid : ProcessesOf(marker, c.argv[0])) ::kill(pid, c.signalNumber);
    runner.join();
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitCode, 0);
    for (int i = 0; i < 100 && ProcessesMarkedWith(marker) > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ProcessesMarkedWith(marker), 0) << "engine processes left behind";
    EXPECT_TRUE(FilesIn(work).empty());
    EXPECT_TRUE(FilesIn(tmp).empty()) << "temporary files left behind";
  }
}

// zemconv stopped by a signal at either step, the way `kill`, `timeout`,
// Ctrl-C and a closed terminal stop it: the running sibling and its engines
// end with it, nothing is left in the output's directory or in TMPDIR, the
// caller sees the signal, and the next run to the same output works.
constexpr char kBrowser[] = "chromium-headless-shell";

class ZemconvStopped : public Faults {
 protected:
  void SetUp() override {
    Faults::SetUp();
    work_ = root_ + "/work";
    tmp_ = root_ + "/tmp";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(tmp_);
    slowPage_ = root_ + "/slow.html";
    WriteFile(slowPage_, "<html><body><p>waiting</p></body></html>");
  }

  // Starts zemconv and waits until the program is busy: a sibling, or the
  // engine a sibling drives.
  Detached StartAndWaitFor(const std::vector<std::string>& args, const std::string& busy, const std::string& marker) {
    std::vector<std::string> argv = {BuiltProgram("zemconv")};
    argv.insert(argv.end(), args.begin(), args.end());
    Detached run = StartDetached(argv, work_, {marker, "TMPDIR=" + tmp_});
    EXPECT_TRUE(WaitFor([&] { return !ProcessesOf(marker, busy).empty(); }, 120)) << busy << " never ran";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return run;
  }

  void ExpectNothingLeft(const std::string& marker, const std::set<std::string>& allowed, const std::string& what) {
    EXPECT_TRUE(WaitFor([&] { return ProcessesMarkedWith(marker) == 0; }, 3))
        << what << ": " << ProcessesMarkedWith(marker) << " processes left running";
    ExpectOnlyFiles(work_, allowed, what);
    EXPECT_TRUE(FilesIn(tmp_).empty()) << what << ": temporary files left behind";
  }

  std::string work_, tmp_, slowPage_;
};

TEST_F(ZemconvStopped, StopSignalAtEitherStepEndsEverythingAndTheNextRunWorks) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* busy;  // the program at work when the signal comes
    int signalNumber;
    bool toGroup;  // the whole process group, as timeout and a terminal do
  };
  const std::string delay = "-javascript-delay";
  const Case cases[] = {
      {"SIGTERM to zemconv while LibreOffice converts", {report_, "r.doc"}, "soffice.bin", SIGTERM, false},
      {"SIGINT to the group while the TIFF is written", {"-r", "600", "-multipage", report_, "r.tif"}, "zemexport.lib",
       SIGINT, true},
      {"SIGHUP to zemconv while it renders", {delay, "20000", slowPage_, "s.png"}, kBrowser, SIGHUP, false},
      {"SIGTERM to the group while it renders for the toolbox", {delay, "20000", "-ownerpassword", "o", slowPage_, "s.pdf"},
       kBrowser, SIGTERM, true},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=stop" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    Detached run = StartAndWaitFor(c.args, c.busy, marker);
    ::kill(c.toGroup ? -run.pid : run.pid, c.signalNumber);
    const DetachedEnd end = FinishDetached(run);
    ASSERT_TRUE(WIFSIGNALED(end.status)) << c.what << ": exit " << WEXITSTATUS(end.status) << ", " << end.output;
    EXPECT_EQ(WTERMSIG(end.status), c.signalNumber) << c.what;
    EXPECT_EQ(end.output, "") << c.what;
    ExpectNothingLeft(marker, {}, c.what);

    if (c.args.back().front() == 'r') {  // the report: a second run converts it
      std::vector<std::string> again = {BuiltProgram("zemconv")};
      again.insert(again.end(), c.args.begin(), c.args.end());
      const ProgramResult result = RunProgram(again, work_, {"TMPDIR=" + tmp_}, 300);
      EXPECT_EQ(result.output, report_ + "==>" + c.args.back() + "\nresult=OK\n") << c.what;
      std::filesystem::remove(work_ + "/" + c.args.back());
    }
  }
}

TEST_F(ZemconvStopped, SigkillOfZemconvLeavesNoSiblingRunning) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* busy;
    bool toGroup;
    std::set<std::string> left;  // what a killed zemconv cannot remove
  };
  const Case cases[] = {
      {"while LibreOffice converts", {report_, "r.doc"}, "soffice.bin", false, {"rtemp.pdf"}},
      {"the whole group while it renders", {"-javascript-delay", "20000", slowPage_, "s.jpg"}, kBrowser, true, {}},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=kill" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    Detached run = StartAndWaitFor(c.args, c.busy, marker);
    ::kill(c.toGroup ? -run.pid : run.pid, SIGKILL);
    const DetachedEnd end = FinishDetached(run);
    ASSERT_TRUE(WIFSIGNALED(end.status));
    ExpectNothingLeft(marker, c.left, c.what);
    // A sibling left running would still write the output.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ExpectOnlyFiles(work_, c.left, c.what);
    for (const std::string& name : c.left) std::filesystem::remove(work_ + "/" + name);
  }
}

TEST_F(Faults, CommandLineTooLongForTheSystemIsNamedInTheLog) {
  const std::string log = root_ + "/zembra.log";
  // Each argument passes into zemconv (no single one may be longer either),
  // but the renderer's line holds both, in the one argument of the shell.
  const std::string title(70000, 'T');
  const ProgramResult result = RunProgram({BuiltProgram("zemconv"), "-title", title, "-title", title, report_, "out.pdf"},
                                          root_, {"ZEMBRA_LOG=" + log}, 120);
  EXPECT_EQ(result.output, "Result is failed. No output file is created.\n");
  EXPECT_EQ(result.exitCode, 1);
  const std::string logged = ReadFile(log);
  EXPECT_EQ(logged.rfind("zemconv: zemrender.lib not started: the command line is ", 0), 0u) << logged;
  EXPECT_NE(logged.find(" bytes that the system passes to the shell in one argument\n"), std::string::npos) << logged;
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1);
  ExpectOnlyFiles(root_, {"zembra.log"}, "too long");
}

}  // namespace
}  // namespace zembra::testing
