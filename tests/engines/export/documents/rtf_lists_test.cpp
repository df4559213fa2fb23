#include "engines/export/documents/rtf_lists.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using Format = ListLabel::Format;
using testing::Occurrences;

ListDefinition Definition(std::vector<ListLevel> levels) {
  ListDefinition definition;
  for (size_t k = 0; k < definition.size(); ++k) definition[k] = k < levels.size() ? levels[k] : levels.back();
  return definition;
}

// The \listlevel groups of a table, in order.
std::vector<std::string> Levels(const std::string& tables) {
  std::vector<std::string> levels;
  for (size_t at = tables.find("{\\listlevel"); at != std::string::npos; at = tables.find("{\\listlevel", at + 1)) {
    levels.push_back(tables.substr(at, tables.find('\n', at) - at));
  }
  return levels;
}

TEST(RtfListTables, EachLevelSaysItsNumberFormatStartTextAndIndent) {
  const std::string tables = RtfListTables({Definition({
      {{Format::kDecimal, 3, "", ".", ""}, 20},
      {{Format::kLowerLetter, 1, "(", ")", ""}, 40},
      {{Format::kBullet, 1, "", "", "\xE2\x97\xA6"}, 58},
      {{Format::kUpperRoman, 4, "", "", ""}, 76},
  })});
  const std::vector<std::string> levels = Levels(tables);
  ASSERT_EQ(levels.size(), 9u);
  EXPECT_EQ(levels[0],
            "{\\listlevel\\levelnfc0\\levelnfcn0\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat3\\levelspace0"
            "\\levelindent0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li400\\lin400}");
  // The number of level k is the placeholder \'0k; \levelnumbers says where it stands.
  EXPECT_NE(levels[1].find("\\levelnfc4\\levelnfcn4"), std::string::npos) << levels[1];
  EXPECT_NE(levels[1].find("{\\leveltext\\'03(\\'01);}{\\levelnumbers\\'02;}"), std::string::npos) << levels[1];
  EXPECT_NE(levels[2].find("\\levelnfc23"), std::string::npos) << levels[2];
  EXPECT_NE(levels[2].find("{\\leveltext\\'01\\u9702?;}{\\levelnumbers;}"), std::string::npos) << levels[2];
  EXPECT_NE(levels[3].find("\\levelnfc1\\levelnfcn1"), std::string::npos) << levels[3];
  EXPECT_NE(levels[3].find("\\levelstartat4"), std::string::npos) << levels[3];
  EXPECT_NE(levels[3].find("{\\leveltext\\'01\\'03;}"), std::string::npos) << levels[3];
}

TEST(RtfListTables, ListNIsOverrideN) {
  const ListDefinition bullets = Definition({{{Format::kBullet, 1, "", "", "-"}, 18}});
  const std::string tables = RtfListTables({bullets, bullets, bullets});
  EXPECT_EQ(tables.rfind("{\\*\\listtable\n", 0), 0u);
  EXPECT_EQ(Occurrences(tables, "{\\list\\listtemplateid"), 3u);
  EXPECT_EQ(Occurrences(tables, "{\\listlevel"), 27u);
  EXPECT_NE(tables.find("{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
                        "{\\listoverride\\listid2\\listoverridecount0\\ls2}"
                        "{\\listoverride\\listid3\\listoverridecount0\\ls3}}\n"),
            std::string::npos)
      << tables;
  EXPECT_EQ(RtfListTables({}), "");
}

TEST(RtfListTables, LevelTextKeepsOutWhatWouldEndItAndCountsUtf16Units) {
  const std::string semicolons = RtfListTables({Definition({{{Format::kDecimal, 1, ";", ";", ""}, 18}})});
  EXPECT_NE(semicolons.find("{\\leveltext\\'01\\'00;}{\\levelnumbers\\'01;}"), std::string::npos) << semicolons;
  // A bullet past the basic plane is two UTF-16 units.
  const std::string wide = RtfListTables({Definition({{{Format::kBullet, 1, "", "", "\xF0\x9F\x98\x80"}, 18}})});
  EXPECT_NE(wide.find("{\\leveltext\\'02\\u-10179?\\u-8704?;}"), std::string::npos) << wide;
}

}  // namespace
}  // namespace zembra::exporter
