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

}  // namespace
}  // namespace zembra
