#include "engines/common/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zembra {
namespace {

constexpr OptionSpec kSpecs[] = {{"-q", 0}, {"-r", 1}, {"-size", 2}, {"-pack", 0}};

struct ArgumentsCase {
  const char* what;
  std::vector<std::string> words;
  size_t trailing;
  std::vector<ParsedOption> options;
  std::vector<std::string> operands;
  std::vector<std::string> problems;
};

std::string Describe(const std::vector<ParsedOption>& options) {
  std::string text;
  for (const ParsedOption& option : options) {
    text += "[" + option.name;
    for (const std::string& value : option.values) text += " " + value;
    text += "]";
  }
  return text;
}

const ArgumentsCase kCases[] = {
    {"nothing", {}, 0, {}, {}, {}},
    {"options with and without values",
     {"-q", "-r", "150", "-size", "10", "20", "in.pdf", "out.png"},
     2,
     {{"-q", {}}, {"-r", {"150"}}, {"-size", {"10", "20"}}},
     {"in.pdf", "out.png"},
     {}},
    {"repeats kept in order",
     {"-r", "1", "-q", "-r", "2", "x"},
     1,
     {{"-r", {"1"}}, {"-q", {}}, {"-r", {"2"}}},
     {"x"},
     {}},
    {"a value may look like an option", {"-r", "-q", "out"}, 1, {{"-r", {"-q"}}}, {"out"}, {}},
    {"a value may be empty", {"-r", "", "out"}, 1, {{"-r", {""}}}, {"out"}, {}},
    {"empty words where an option is expected are skipped", {"", "-q", "", "out"}, 1, {{"-q", {}}}, {"out"}, {}},
    {"trailing operands are never values",
     {"-r", "in.pdf", "out.png"},
     2,
     {},
     {"in.pdf", "out.png"},
     {"option -r needs 1 value; ignored"}},
    {"trailing operands may look like options", {"-q", "-r", "-pack"}, 2, {{"-q", {}}}, {"-r", "-pack"}, {}},
    {"trailing empty operand kept", {"-q", ""}, 1, {{"-q", {}}}, {""}, {}},
    {"fewer words than trailing operands", {"a"}, 2, {}, {"a"}, {}},
    {"unknown options reported and dropped",
     {"-x", "-q", "--long", "out"},
     1,
     {{"-q", {}}},
     {"out"},
     {"unknown option -x ignored", "unknown option --long ignored"}},
    {"words that are no option are operands", {"a", "-q", "b", "c"}, 1, {{"-q", {}}}, {"a", "b", "c"}, {}},
    {"missing values reported; the rest dropped",
     {"-q", "-size", "10"},
     0,
     {{"-q", {}}},
     {},
     {"option -size needs 2 values; ignored"}},
    {"option names match whole words in their case",
     {"-Q", "-qq", "-r150", "out"},
     1,
     {},
     {"out"},
     {"unknown option -Q ignored", "unknown option -qq ignored", "unknown option -r150 ignored"}},
};

class ParseArgumentsTable : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ParseArgumentsTable, SplitsWordsAsTheTableSays) {
  const ArgumentsCase& c = GetParam();
  const ParsedArguments parsed = ParseArguments(c.words, kSpecs, c.trailing);
  EXPECT_EQ(Describe(parsed.options), Describe(c.options)) << c.what;
  EXPECT_EQ(parsed.operands, c.operands) << c.what;
  EXPECT_EQ(parsed.problems, c.problems) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseArgumentsTable, ::testing::ValuesIn(kCases));

TEST(ParseArguments, ListsTheUnknownOptionsAsData) {
  const std::vector<std::string> words = {"-b", "word", "-b", "-q", "--zz", "out"};
  const ParsedArguments parsed = ParseArguments(words, kSpecs, 1);
  EXPECT_EQ(parsed.unknown, (std::vector<std::string>{"-b", "-b", "--zz"}));
  EXPECT_EQ(parsed.operands, (std::vector<std::string>{"word", "out"}));
}

const OptionSpec kDashSpecs[] = {{"-a", 0}, {"-v", 1}, {"--toc", 0}};

struct ParseCase {
  const char* rule;
  std::vector<std::string> words;
  size_t trailing;
  size_t leading;
  std::vector<std::string> options;   // names, in order
  std::vector<std::string> operands;
  size_t problems;
};

const ParseCase kDashCases[] = {
    // The renderer and the converter: the last two words are their paths.
    {"trailing paths may start with a dash", {"-a", "-x.html", "-x.pdf"}, 2, 0, {"-a"}, {"-x.html", "-x.pdf"}, 0},
    {"-- ends the options", {"--toc", "--", "-a", "-v", "in", "out"}, 2, 0, {"--toc"}, {"-a", "-v", "in", "out"}, 0},
    {"-- as an option's value is a value", {"-v", "--", "in", "out"}, 2, 0, {"-v"}, {"in", "out"}, 0},
    {"an unknown dash word is reported", {"-b", "in", "out"}, 2, 0, {}, {"in", "out"}, 1},
    // The toolbox: its input is the first word that is no option.
    {"leading operand may start with a dash", {"-a", "-xtemp.pdf", "-v", "-x.pdf"}, 0, 1, {"-a", "-v"}, {"-xtemp.pdf"}, 0},
    {"only the first such word", {"-xtemp.pdf", "-b", "-v", "o"}, 0, 1, {"-v"}, {"-xtemp.pdf"}, 1},
    {"a typo before the input becomes the input", {"-crosmerge", "in.pdf"}, 0, 1, {}, {"-crosmerge", "in.pdf"}, 0},
    {"-- before the input", {"-v", "o.pdf", "--", "-in.pdf"}, 0, 1, {"-v"}, {"-in.pdf"}, 0},
    {"a value is never the leading operand", {"-v", "-x", "in"}, 0, 1, {"-v"}, {"in"}, 0},
};

TEST(ParseArguments, PathsThatStartWithADash) {
  for (const ParseCase& c : kDashCases) {
    const ParsedArguments parsed = ParseArguments(c.words, kDashSpecs, c.trailing, c.leading);
    std::vector<std::string> names;
    for (const ParsedOption& option : parsed.options) names.push_back(option.name);
    EXPECT_EQ(names, c.options) << c.rule;
    EXPECT_EQ(parsed.operands, c.operands) << c.rule;
    EXPECT_EQ(parsed.problems.size(), c.problems) << c.rule;
  }
}

}  // namespace
}  // namespace zembra
