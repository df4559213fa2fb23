#include "engines/export/documents/list_plan.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

using Format = ListLabel::Format;

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

TEST(ListSet, ARunOfItemsIsOneListAndANewRunOrRestartIsAnother) {
  ListSet lists;
  EXPECT_EQ(lists.Item(Item(1, "1."), false, 18), 1);
  EXPECT_EQ(lists.Item(Item(2, "\xE2\x80\xA2", false), true, 36), 1);
  EXPECT_EQ(lists.Item(Item(1, "2."), true, 18), 1);
  EXPECT_EQ(lists.Item(Item(1, "1."), true, 18), 2);                   // counts again from 1
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), true, 18), 3);  // numbers to bullets
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), true, 18), 3);
  EXPECT_EQ(lists.Item(Item(1, "\xE2\x80\xA2", false), false, 18), 4);  // something came between
  EXPECT_EQ(lists.Item(Item(2, "a."), true, 36), 4);                    // a deeper level continues
  EXPECT_EQ(lists.Lists().size(), 4u);
  EXPECT_TRUE(ListSet().Lists().empty());
}

TEST(ListSet, LevelsTakeFormatStartAndIndentFromTheirFirstItem) {
  ListSet lists;
  lists.Item(Item(1, "3."), false, 20);
  lists.Item(Item(2, "(a)"), true, 40);
  lists.Item(Item(2, "(c)"), true, 41);  // a later item does not change its level
  lists.Item(Item(4, "\xE2\x97\xA6", false), true, 75);
  lists.Item(Item(12, "", false), true, 150);  // deeper than a list goes: its last level
  const std::vector<ListDefinition> definitions = lists.Lists();
  ASSERT_EQ(definitions.size(), 1u);
  const ListDefinition& list = definitions[0];
  EXPECT_EQ(list[0].label, (ListLabel{Format::kDecimal, 3, "", ".", ""}));
  EXPECT_DOUBLE_EQ(list[0].indent, 20);
  EXPECT_EQ(list[1].label, (ListLabel{Format::kLowerLetter, 1, "(", ")", ""}));
  EXPECT_DOUBLE_EQ(list[1].indent, 40);
  // No item at the third level: numbered like the second, one step further in.
  EXPECT_EQ(list[2].label, (ListLabel{Format::kLowerLetter, 1, "(", ")", ""}));
  EXPECT_DOUBLE_EQ(list[2].indent, 58);
  EXPECT_EQ(list[3].label.bullet, "\xE2\x97\xA6");
  EXPECT_EQ(list[4].label.format, Format::kBullet);  // like the fourth, with its own level's bullet
  EXPECT_EQ(list[4].label.bullet, "\xE2\x97\xA6");
  EXPECT_DOUBLE_EQ(list[4].indent, 93);
  EXPECT_EQ(list[8].label.bullet, "\xE2\x96\xAA");  // the ninth level's empty label: its default bullet
  EXPECT_DOUBLE_EQ(list[8].indent, 150);
}

TEST(ListSet, LabelsHangLeftOfTheTextButNotPastTheMargin) {
  EXPECT_DOUBLE_EQ(ListSet::Hanging(36), -18);
  EXPECT_DOUBLE_EQ(ListSet::Hanging(10), -10);
  EXPECT_DOUBLE_EQ(ListSet::Hanging(-5), 0);
  Paragraph deep = Item(30, "1.");
  EXPECT_EQ(ListSet::LevelOf(deep), 8);
  deep.level = 0;
  EXPECT_EQ(ListSet::LevelOf(deep), 0);
}

}  // namespace
}  // namespace zembra::exporter
