#include "engines/export/documents/bidi_order.h"

#include <gtest/gtest.h>

#include <string>

#include "engines/export/documents/utf8.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {
namespace {

// A line as a PDF draws it (characters left to right on the page) read back
// in logical order, brackets of right-to-left runs shown as their mirror.
std::string Logical(const std::string& visual, bool rightToLeft) {
  const std::vector<char32_t> codes = DecodeUtf8(visual);
  std::vector<BidiClass> classes;
  for (char32_t c : codes) classes.push_back(BidiClassOf(c));
  const BidiOrder order = LogicalOrder(classes, rightToLeft);
  std::string text;
  for (size_t index : order.logical) {
    const char32_t c = order.levels[index] % 2 == 1 ? MirroredCharacter(codes[index]) : codes[index];
    AppendUtf8(text, c);
  }
  return text;
}

TEST(BidiOrder, TurnsDrawnRightToLeftTextBackIntoReadingOrder) {
  struct Case {
    const char* visual;  // as drawn, left to right
    bool rightToLeft;
    const char* logical;
  };
  const Case cases[] = {
      // An Arabic word drawn from its last letter to its first.
      {"ليودتلا", true, "التدويل"},
      // A sentence: the full stop ends it, at the left.
      {".ةيسدنه تارييغت نود", true, "دون تغييرات هندسية."},
      // Hebrew works the same way.
      {".תונוש תופשל", true, "לשפות שונות."},
      // Digits in right-to-left text keep their own order.
      {"9,540,000 ناكسلا", true, "السكان 9,540,000"},
      {"€3,420.00 غلبم", true, "مبلغ €3,420.00"},
      // Latin words inside right-to-left text.
      {"ABC def يبرع", true, "عربي ABC def"},
      // An Arabic word inside a left-to-right sentence.
      {"an Arabic word ةيبرعلا in the middle and 2026 at the end.", false,
       "an Arabic word العربية in the middle and 2026 at the end."},
      // Brackets drawn mirrored come back as typed.
      {"(لاثم)", true, "(مثال)"},
      // Left-to-right text is left alone, numbers and signs too.
      {"Total: -4.5% of (1,204.50)", false, "Total: -4.5% of (1,204.50)"},
      {"国际化是设计软件的过程，使其", false, "国际化是设计软件的过程，使其"},
      {"", true, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Logical(c.visual, c.rightToLeft), c.logical) << c.visual;
}

TEST(BidiOrder, ReorderingTwiceGivesTheDrawnOrderBack) {
  // The reordering is its own inverse: reading order drawn again is the page.
  for (const char* visual : {"def ABC يبرع 12 ناكسلا", "word ةيبرعلا 2026 end", ".ةيسدنه (نود) 15%"}) {
    for (bool rightToLeft : {false, true}) {
      EXPECT_EQ(Logical(Logical(visual, rightToLeft), rightToLeft), visual) << visual;
    }
  }
}

TEST(BidiOrder, LevelsSayWhichCharactersReadRightToLeft) {
  const std::vector<char32_t> codes = DecodeUtf8("ab ةي 12");
  std::vector<BidiClass> classes;
  for (char32_t c : codes) classes.push_back(BidiClassOf(c));
  const BidiOrder order = LogicalOrder(classes, false);
  EXPECT_EQ(order.levels, (std::vector<int>{0, 0, 0, 1, 1, 0, 0, 0}));
}

TEST(BidiClass, OfCharactersFromEachGroup) {
  struct Case {
    char32_t c;
    BidiClass expected;
  };
  const Case cases[] = {
      {'A', BidiClass::kLeft},
      {0x00E9, BidiClass::kLeft},
      {0x4E2D, BidiClass::kLeft},
      {0x05D0, BidiClass::kRight},
      {0x0627, BidiClass::kRight},
      {0xFEDE, BidiClass::kRight},
      {'7', BidiClass::kEuropeanNumber},
      {0x0663, BidiClass::kArabicNumber},
      {'-', BidiClass::kNumberSign},
      {0x20AC, BidiClass::kNumberTerminator},
      {',', BidiClass::kNumberSeparator},
      {' ', BidiClass::kNeutral},
      {'(', BidiClass::kNeutral},
      {0x3002, BidiClass::kNeutral},
      {0x064E, BidiClass::kNeutral},
  };
  for (const Case& c : cases) EXPECT_EQ(BidiClassOf(c.c), c.expected) << std::hex << static_cast<unsigned>(c.c);
}

TEST(BidiClass, MostlyRightToLeftCountsStrongLettersOnly) {
  using B = BidiClass;
  EXPECT_TRUE(MostlyRightToLeft({B::kRight, B::kRight, B::kLeft, B::kNeutral, B::kEuropeanNumber}));
  EXPECT_FALSE(MostlyRightToLeft({B::kRight, B::kLeft}));
  EXPECT_FALSE(MostlyRightToLeft({B::kEuropeanNumber, B::kNeutral}));
  EXPECT_EQ(MirroredCharacter('['), U']');
  EXPECT_EQ(MirroredCharacter(0xBB), U'\u00AB');
  EXPECT_EQ(MirroredCharacter('a'), U'a');
}

}  // namespace
}  // namespace zembra::exporter
