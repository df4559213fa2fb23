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

}  // namespace
}  // namespace zembra
