#include "engines/export/documents/rtf_lists.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using Format = ListLabel::Format;
using testing::Occurrences;

TEST(ParseListLabel, ReadsFormatNumberAndTheTextAroundIt) {
  struct Case {
    const char* label;
    bool ordered;
    ListLabel parsed;
  };
  for (const Case& c : {
           Case{"1.", true, {Format::kDecimal, 1, "", ".", ""}},
           Case{" 12. ", true, {Format::kDecimal, 12, "", ".", ""}},
           Case{"(3)", true, {Format::kDecimal, 3, "(", ")", ""}},
           Case{"b)", true, {Format::kLowerLetter, 2, "", ")", ""}},
           Case{"C.", true, {Format::kUpperLetter, 3, "", ".", ""}},
           Case{"c.", true, {Format::kLowerLetter, 3, "", ".", ""}},  // one letter other than i: a letter
           Case{"i.", true, {Format::kLowerRoman, 1, "", ".", ""}},
           Case{"iv.", true, {Format::kLowerRoman, 4, "", ".", ""}},
           Case{"XIV", true, {Format::kUpperRoman, 14, "", "", ""}},
           Case{"\xE2\x80\xA2", false, {Format::kBullet, 1, "", "", "\xE2\x80\xA2"}},
           Case{"-", false, {Format::kBullet, 1, "", "", "-"}}, Case{"", false, {Format::kBullet, 1, "", "", ""}},
           Case{"", true, {Format::kDecimal, 1, "", ".", ""}},
           Case{"4.", false, {Format::kDecimal, 4, "", ".", ""}},        // the label wins over the list's kind
           Case{"99999999.", true, {Format::kDecimal, 1, "", ".", ""}},  // no overflow
       }) {
    EXPECT_EQ(ParseListLabel(c.label, c.ordered), c.parsed) << c.label;
  }
}

Paragraph Item(int level, const std::string& label, bool ordered = true) {
  Paragraph item;
  item.role = ParagraphRole::kListItem;
  item.level = level;
  item.label = label;
  item.ordered = ordered;
  return item;
}

TEST(RtfLists, ARunOfItemsIsOneListAndANewRunOrRestartIsAnother) {
  RtfLists lists;
  EXPECT_EQ(lists.Item(Item(1, "1."), false, 360), 1);
  EXPECT_EQ(lists.Item(Item(2, "\xE2\x80\xA2", false), true, 720), 1);
  EXPECT_EQ(lists.Item(Item(1, "2."), true, 360), 1);
  EXPECT_EQ(lists.Item(Item(1, "1."), true, 360), 2);                   // counts again from 1
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), true, 360), 3);  // numbers to bullets
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), true, 360), 3);
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), false, 360), 4);  // something came between
  const std::string tables = lists.Tables();
  EXPECT_EQ(Occurrences(tables, "{\\list\\"), 4u);
  EXPECT_EQ(Occurrences(tables, "{\\listlevel"), 4u * RtfLists::kLevels);
  for (const char* override : {"\\listid1\\listoverridecount0\\ls1}", "\\listid4\\listoverridecount0\\ls4}"}) {
    EXPECT_NE(tables.find(override), std::string::npos) << override;
  }
  EXPECT_EQ(RtfLists().Tables(), "");
}

// The \listlevel groups of a table, in order.
std::vector<std::string> Levels(const std::string& tables) {
  std::vector<std::string> levels;
  for (size_t at = tables.find("{\\listlevel"); at != std::string::npos; at = tables.find("{\\listlevel", at + 1)) {
    levels.push_back(tables.substr(at, tables.find("\n", at) - at));
  }
  return levels;
}

TEST(RtfLists, LevelsTakeFormatStartAndIndentFromTheirFirstItem) {
  RtfLists lists;
  lists.Item(Item(1, "3."), false, 400);
  lists.Item(Item(2, "(a)"), true, 800);
  lists.Item(Item(2, "(b)"), true, 800);
  lists.Item(Item(4, "\xE2\x97\xA6", false), true, 1500);
  lists.Item(Item(12, "", false), true, 3000);  // deeper than a list can go: the last level
  const std::vector<std::string> levels = Levels(lists.Tables());
  ASSERT_EQ(levels.size(), 9u);
  EXPECT_EQ(levels[0],
            "{\\listlevel\\levelnfc0\\levelnfcn0\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat3\\levelspace0"
            "\\levelindent0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li400\\lin400}");
  EXPECT_NE(levels[1].find("\\levelnfc4\\levelnfcn4"), std::string::npos) << levels[1];
  EXPECT_NE(levels[1].find("\\levelstartat1"), std::string::npos) << levels[1];
  EXPECT_NE(levels[1].find("{\\leveltext\\'03(\\'01);}{\\levelnumbers\\'02;}"), std::string::npos) << levels[1];
  EXPECT_NE(levels[1].find("\\li800"), std::string::npos) << levels[1];
  // No item at the third level: numbered like the second, one step further in.
  EXPECT_NE(levels[2].find("\\levelnfc4"), std::string::npos) << levels[2];
  EXPECT_NE(levels[2].find("{\\leveltext\\'03(\\'02);}"), std::string::npos) << levels[2];
  EXPECT_NE(levels[2].find("\\li1160"), std::string::npos) << levels[2];
  EXPECT_NE(levels[3].find("\\levelnfc23"), std::string::npos) << levels[3];
  EXPECT_NE(levels[3].find("{\\leveltext\\'01\\u9702?;}{\\levelnumbers;}"), std::string::npos) << levels[3];
  EXPECT_NE(levels[8].find("\\levelnfc23"), std::string::npos) << levels[8];
  EXPECT_NE(levels[8].find("\\li3000"), std::string::npos) << levels[8];
}

TEST(RtfLists, LevelTextKeepsOutWhatWouldEndIt) {
  RtfLists lists;
  lists.Item(Item(1, ";1;"), false, 360);
  EXPECT_NE(lists.Tables().find("{\\leveltext\\'01\\'00;}{\\levelnumbers\\'01;}"), std::string::npos) << lists.Tables();
}

TEST(RtfLists, LabelsHangLeftOfTheTextButNotPastTheMargin) {
  EXPECT_EQ(RtfLists::Hanging(720), -360);
  EXPECT_EQ(RtfLists::Hanging(200), -200);
  EXPECT_EQ(RtfLists::Hanging(0), 0);
}

}  // namespace
}  // namespace zembra::exporter
