// Random argument lists, seeded: every pass must ask the shell for exactly
// the words the tables forward, and for nothing else.
#include <gtest/gtest.h>

#include <random>

#include "passes/conversion_pass.h"
#include "passes/option_row.h"
#include "tests/passes/command_model.h"
#include "tests/support/files.h"
#include "tests/support/pass_plans.h"
#include "tests/support/recorded_calls.h"
#include "tools/runner.h"

namespace zembra::testing {
namespace {

constexpr int kModes[] = {PASS_TOOLBOX, PASS_CONVERT, PASS_RENDER_PDF, PASS_RENDER_FOR_CONVERT};

std::vector<std::string> Vocabulary() {
  std::vector<std::string> words = {"", "", "3", "abc", "xyz", "in.html", "out.pdf", "a b", "tab\there",
                                    "line\nbreak", "$(touch pwned)", "`touch pwned`", "a;touch pwned", "x|y",
                                    "\"", "\\", "'", "*", "~", "#", "$HOME", "-Quality", "-MONO", "--toc",
                                    "\xc3\xa9", "a&b", "<x", ">pwned"};
  for (const auto table : {ToolboxOptionTable(), RendererOptionTable(), ConverterOptionTable()}) {
    for (const OptionRow& row : table) {
      words.push_back(row.typed);
      if (row.typedUpper != nullptr) words.push_back(row.typedUpper);
    }
  }
  return words;
}

std::vector<std::string> RandomArgv(std::mt19937& random, const std::vector<std::string>& vocabulary) {
  static const char* kPrograms[] = {"/opt/conv/zemconv", "zemconv", "./bin/zemconv", "/p q/$x`y`\"z\\/zemconv"};
  static const char* kOutputs[] = {"out.pdf", "o.jpg", "/t/r.final.doc", "x.PS", "a b.txt", "$(x).png"};
  std::vector<std::string> argv = {kPrograms[random() % 4]};
  const int options = static_cast<int>(random() % 9);
  for (int i = 0; i < options + 1; ++i) argv.push_back(vocabulary[random() % vocabulary.size()]);
  argv.push_back(kOutputs[random() % 6]);
  return argv;
}

TEST(CommandProperty, ShellWordsAreExactlyTheForwardedTokens) {
  std::mt19937 random(20261208);
  const auto vocabulary = Vocabulary();
  for (int round = 0; round < 4000; ++round) {
    const auto argv = RandomArgv(random, vocabulary);
    for (const int mode : kModes) {
      const PassPlan plan = PlanFor(argv, mode);
      const auto model = ModelCommand(argv, mode);
      ASSERT_EQ(plan.command.empty(), !model.has_value()) << "round " << round << " mode " << mode;
      if (!model) continue;
      const auto words = StrictShellWords(plan.command);
      ASSERT_TRUE(words.has_value()) << "the shell would interpret: " << plan.command;
      ASSERT_EQ(*words, WordsOf(*model)) << plan.command;
    }
  }
}

// The same through the real shell, with a stand-in tool that records what it gets.
TEST(CommandProperty, RealShellDeliversTheWordsAndRunsNothingElse) {
  std::mt19937 random(8122026);
  const auto vocabulary = Vocabulary();
  const std::string directory = MakeTempDirectory("zembra-property");
  const std::string tool = std::string(ZEMBRA_TEST_BIN_DIR) + "/fake_sibling";
  for (int round = 0; round < 150; ++round) {
    auto argv = RandomArgv(random, vocabulary);
    argv[0] = directory + "/zemconv";
    const int mode = kModes[round % 4];
    const auto model = ModelCommand(argv, mode);
    if (!model) continue;
    const PassPlan plan = PlanFor(argv, mode);
    // Every sibling name leads to the recorder.
    for (const char* name : {"zemrender.lib", "zemkit.lib", "zemexport.lib"}) {
      const std::string link = directory + "/" + name;
      if (!FileExists(link)) {
        ASSERT_EQ(::symlink(tool.c_str(), link.c_str()), 0);
      }
    }
    const std::string log = directory + "/log";
    RemoveDirectory(log);
    std::string captured;
    LinuxCommand("cd '" + directory + "' && ZEMBRA_FAKE_MODE=none ZEMBRA_FAKE_LOG=log " + plan.command, captured);
    const auto calls = ReadRecordedCalls(log);
    ASSERT_EQ(calls.size(), 1u) << plan.command << "\n" << captured;
    const std::vector<std::string>& received = calls[0];
    auto expected = WordsOf(*model);
    expected[0] = expected[0].substr(expected[0].rfind('/') + 1);  // the recorder logs its own name
    ASSERT_EQ(received, expected) << plan.command;
    ASSERT_FALSE(FileExists(directory + "/pwned")) << plan.command;
  }
  RemoveDirectory(directory);
}

}  // namespace
}  // namespace zembra::testing
