#include "engines/common/arguments.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

constexpr OptionSpec kSpecs[] = {{"-a", 0}, {"-v", 1}, {"-two", 2}};

TEST(ParseArguments, SplitsOptionsValuesAndOperands) {
  struct Case {
    const char* what;
    std::vector<std::string> words;
    size_t trailing;
    std::vector<std::string> options;  ///< name=value,value
    std::vector<std::string> operands;
    std::vector<std::string> unknown;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"values and repeats", {"-a", "-v", "x", "-two", "1", "2", "-a"}, 0, {"-a=", "-v=x", "-two=1,2", "-a="}, {}, {}, {}},
      {"a value may look like an option", {"-v", "-a", "in", "out"}, 2, {"-v=-a"}, {"in", "out"}, {}, {}},
      {"the trailing words are never values", {"-a", "-v", "in", "out"}, 2, {"-a="}, {"in", "out"}, {},
       {"option -v needs 1 value; ignored"}},
      {"an empty word where an option is expected is skipped", {"", "-v", "", "", "in"}, 1, {"-v="}, {"in"}, {}, {}},
      {"unknown options are reported and listed",
       {"-b", "word", "-b", "-a"},
       0,
       {"-a="},
       {"word"},
       {"-b", "-b"},
       {"unknown option -b ignored", "unknown option -b ignored"}},
      {"too few words for the values", {"-two", "1"}, 0, {}, {}, {}, {"option -two needs 2 values; ignored"}},
  };
  for (const Case& c : cases) {
    const ParsedArguments parsed = ParseArguments(c.words, kSpecs, c.trailing);
    std::vector<std::string> options;
    for (const ParsedOption& option : parsed.options) {
      std::string text = option.name + "=";
      for (size_t i = 0; i < option.values.size(); ++i) text += (i > 0 ? "," : "") + option.values[i];
      options.push_back(text);
    }
    EXPECT_EQ(options, c.options) << c.what;
    EXPECT_EQ(parsed.operands, c.operands) << c.what;
    EXPECT_EQ(parsed.unknown, c.unknown) << c.what;
    EXPECT_EQ(parsed.problems, c.problems) << c.what;
  }
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

const ParseCase kCases[] = {
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
  for (const ParseCase& c : kCases) {
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
