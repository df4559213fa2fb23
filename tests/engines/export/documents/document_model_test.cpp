#include "engines/export/documents/document_model.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

Paragraph Lines(std::vector<std::vector<TextRun>> lines) {
  Paragraph paragraph;
  for (auto& runs : lines) paragraph.lines.push_back({std::move(runs), {}});
  return paragraph;
}

TEST(FlowRuns, JoinsLinesAsOneFlowingLine) {
  const TextStyle plain;
  struct Case {
    std::vector<std::string> lines;
    std::string flow;
  };
  for (const Case& c : {
           Case{{"The survey began", "on a grey morning."}, "The survey began on a grey morning."},
           Case{{"ends with a blank ", "next"}, "ends with a blank next"},
           Case{{"a well-", "known place"}, "a well-known place"},
           Case{{"from 10 -", "12"}, "from 10 - 12"},
           Case{{"国际化是设计", "软件的过程"}, "国际化是设计软件的过程"},
           Case{{"国际化 ends", "软件"}, "国际化 ends 软件"},
           Case{{"التدويل هو", "عملية"}, "التدويل هو عملية"},
           Case{{"", "only"}, "only"},
       }) {
    std::vector<std::vector<TextRun>> lines;
    for (const std::string& line : c.lines) lines.push_back({{line, plain}});
    EXPECT_EQ(FlowText(Lines(lines)), c.flow);
  }
}

TEST(FlowRuns, MergesRunsOfOneStyleAndKeepsTheOthers) {
  TextStyle bold;
  bold.bold = true;
  const TextStyle plain;
  const std::vector<TextRun> runs = FlowRuns(Lines({{{"A ", plain}, {"bold", bold}}, {{"word", bold}, {" here", plain}}}));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].text, "A ");
  EXPECT_EQ(runs[1].text, "bold word");  // the joining blank takes the style before it
  EXPECT_TRUE(runs[1].style.bold);
  EXPECT_EQ(runs[2].text, " here");
}

TEST(BlockPage, IsThePageOfEveryKindOfBlock) {
  Paragraph paragraph;
  paragraph.page = 2;
  Table table;
  table.page = 3;
  Picture picture;
  picture.page = 4;
  EXPECT_EQ(BlockPage(Block(paragraph)), 2);
  EXPECT_EQ(BlockPage(Block(table)), 3);
  EXPECT_EQ(BlockPage(Block(picture)), 4);
}

TEST(DocumentModel, FontNamesTellBoldAndItalic) {
  struct Case {
    const char* name;
    bool bold, italic;
  };
  for (const Case& c : {Case{"ABCDEF+DejaVuSans-Bold", true, false}, Case{"LiberationSerif-BoldItalic", true, true},
                        Case{"Helvetica-Oblique", false, true}, Case{"Arial-Black", true, false},
                        Case{"OpenSans-SemiBold", true, false}, Case{"Times-Roman", false, false}}) {
    EXPECT_EQ(FontNameIsBold(c.name), c.bold) << c.name;
    EXPECT_EQ(FontNameIsItalic(c.name), c.italic) << c.name;
  }
}

TEST(DocumentModel, FontNamesTellTheFamily) {
  EXPECT_EQ(FontKindOf("DAAAAA+DejaVuSansMono"), FontKind::kMono);
  EXPECT_EQ(FontKindOf("Courier-Bold"), FontKind::kMono);
  EXPECT_EQ(FontKindOf("LiberationSerif-Italic"), FontKind::kSerif);
  EXPECT_EQ(FontKindOf("Times-Roman"), FontKind::kSerif);
  EXPECT_EQ(FontKindOf("EAAAAA+NotoSans-Regular"), FontKind::kSans);
  EXPECT_EQ(FontKindOf("Helvetica"), FontKind::kSans);
  EXPECT_EQ(FontKindOf(""), FontKind::kSans);
}

}  // namespace
}  // namespace zembra::exporter
