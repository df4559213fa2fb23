#include "tools/shell_quote.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/files.h"
#include "tests/support/recorded_calls.h"
#include "tools/runner.h"

namespace zembra::testing {
namespace {

const std::vector<std::string> kHostileTexts = {
    "plain-word_1.0/x:y,z@%+=",
    "a\"b",
    "$HOME",
    "${HOME}",
    "`touch pwned`",
    "$(touch pwned)",
    "back\\slash",
    "trailing\\",
    "\\\"",
    "new\nline",
    "a;touch pwned",
    "a|touch pwned",
    "a&&touch pwned",
    "a>pwned",
    "<in",
    "*",
    "?",
    "[ab]",
    "~",
    "~root",
    "#comment",
    "'single'",
    "!x",
    "{a,b}",
    "a\x01" "b\x7f" "c\r",
    "\xc3\xa9t\xc3\xa9 \xe4\xb8\xad",
    " lead and trail ",
    "tab\there",
    "$'\\x41'",
    "^caret",
    "\\\n",
};

// What /bin/sh hands to a program for the given command words.
std::vector<std::string> WordsTheShellPasses(const std::string& words, const std::string& directory) {
  const std::string dump = std::string(ZEMBRA_TEST_BIN_DIR) + "/fake_sibling";
  const std::string log = directory + "/words.log";
  std::string output;
  LinuxCommand("cd '" + directory + "' && ZEMBRA_FAKE_MODE=none ZEMBRA_FAKE_LOG='" + log + "' '" + dump + "' " +
                   words,
               output);
  const auto calls = ReadRecordedCalls(log);
  RemoveDirectory(log);
  if (calls.size() != 1) return {"<no call recorded>"};
  return std::vector<std::string>(calls[0].begin() + 1, calls[0].end());  // without the program's own name
}

class ShellQuoteTorture : public ::testing::Test {
 protected:
  void SetUp() override { directory_ = MakeTempDirectory("zembra-quote"); }
  void TearDown() override {
    EXPECT_FALSE(FileExists(directory_ + "/pwned")) << "the shell ran something";
    RemoveDirectory(directory_);
  }
  std::string directory_;
};

TEST_F(ShellQuoteTorture, QuotedTokenArrivesByteForByte) {
  for (const std::string& text : kHostileTexts) {
    std::string command;
    AppendQuotedToken(command, text);
    const auto words = WordsTheShellPasses(command, directory_);
    ASSERT_EQ(words.size(), 1u) << text;
    EXPECT_EQ(words[0], text);
  }
}

TEST_F(ShellQuoteTorture, BareTextSplitsOnlyAtBlanks) {
  for (const std::string& text : kHostileTexts) {
    std::string command;
    AppendRawText(command, text);
    EXPECT_EQ(WordsTheShellPasses(command, directory_), SplitAtBlanks(text)) << text;
  }
}

TEST_F(ShellQuoteTorture, BareTextsJoinTheirNeighbours) {
  std::string command;
  AppendRawText(command, "a;b");
  AppendRawText(command, "$x");
  AppendQuotedToken(command, "q");
  AppendRawText(command, "c d");
  EXPECT_EQ(WordsTheShellPasses(command, directory_), (std::vector<std::string>{"a;b$x", "q", "c", "d"}));
}

TEST(ShellQuote, TextFreeOfSpecialCharactersIsUnchanged) {
  for (const char* text : {"", "in.html", "/tmp/out.pdf", "-r", "--page-size", "a=b,c:d@e%f+g", "\xc3\xa9"}) {
    EXPECT_EQ(ShellQuote(text, SHELL_DOUBLE_QUOTED), text);
    EXPECT_EQ(ShellQuote(text, SHELL_BARE), text);
  }
  EXPECT_EQ(ShellQuote("two words", SHELL_BARE), "two words");
  EXPECT_EQ(ShellQuote("two words", SHELL_DOUBLE_QUOTED), "two words");
}

}  // namespace
}  // namespace zembra::testing
