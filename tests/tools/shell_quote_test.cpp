#include "tools/shell_quote.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/run_program.h"
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
  // fake_sibling logs its name and its arguments, percent-encoded.
  std::string line = ReadFile(log);
  RemoveDirectory(log);
  if (!line.empty() && line.back() == '\n') line.pop_back();
  std::vector<std::string> decoded;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    std::string word;
    for (size_t i = start; i < end; ++i) {
      if (line[i] == '%') {
        word += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        word += line[i];
      }
    }
    decoded.push_back(word);
    start = end + 1;
  }
  decoded.erase(decoded.begin());  // the program's own name
  return decoded;
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
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
