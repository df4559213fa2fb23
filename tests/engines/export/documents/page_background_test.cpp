#include "engines/export/documents/page_background.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engines/export/page_geometry.h"
#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::TestDirectory;

// The page drawn below, in points from the top left as cairo and the
// document model both count them.
const Box kHeading = {72, 80, 280, 106};         // "Background test", 20 pt bold, baseline 100
const Box kOtherLine = {72, 129, 200, 143};      // "Not in the model", 11 pt, baseline 140
const Box kUnderline = {72, 141.5, 160, 142.3};  // under "Not in the model"
const Box kStrike = {72, 135.5, 160, 136.3};     // through "Not in the model"
const Box kMarker = {170, 130, 190, 142};        // a square in that line, no underline
const Box kTypeThree = {72, 684, 200, 704};      // 16 pt boxes of a Type 3 font, baseline 700
const Box kSlanted = {300, 745, 420, 765};       // "Slanted", 14 pt, sheared as a synthetic italic, baseline 760
const Box kSideways = {500, 600, 520, 720};      // "Sideways", 14 pt, turned a quarter, reading downwards
const Box kRule = {100, 300, 300, 420};          // a blue rectangle
const Box kImage = {350, 300, 470, 390};         // a red raster image
const Box kFadedRect = {100, 500, 200, 560};     // a green rectangle at half opacity (a transparency group)
const Box kFadedText = {300, 634, 420, 654};     // "Faded words", 14 pt at half opacity, baseline 650

// A font of Type 3 in the PDF, as browsers embed fonts they cannot subset
// (CJK faces): each glyph a box from the baseline up to 0.7 em.
cairo_status_t BoxGlyph(cairo_scaled_font_t*, unsigned long, cairo_t* cr, cairo_text_extents_t* extents) {
  cairo_rectangle(cr, 0.1, -0.7, 0.6, 0.7);
  cairo_fill(cr);
  extents->x_advance = 0.8;
  return CAIRO_STATUS_SUCCESS;
}

void BoxWords(cairo_t* cr, double x, double baseline, double size, const char* text) {
  cairo_font_face_t* face = cairo_user_font_face_create();
  cairo_user_font_face_set_render_glyph_func(face, BoxGlyph);
  cairo_set_font_face(cr, face);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, text);
  cairo_font_face_destroy(face);
}

void Words(cairo_t* cr, double x, double baseline, double size, bool bold, const char* text) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, text);
}

void Rectangle(cairo_t* cr, const Box& box, double r, double g, double b) {
  cairo_set_source_rgb(cr, r, g, b);
  cairo_rectangle(cr, box.x0, box.y0, box.width(), box.height());
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

std::string MakeLayersPdf() {
  const std::string path = TestDirectory() + "/layers.pdf";
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  Words(cr, 72, 100, 20, true, "Background test");
  Words(cr, 72, 140, 11, false, "Not in the model");
  BoxWords(cr, 72, 700, 16, "Boxes");
  cairo_save(cr);
  cairo_move_to(cr, 300, 760);
  cairo_matrix_t shear = {1, 0, -0.25, 1, 0, 0};
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 14);
  cairo_matrix_t font;
  cairo_get_font_matrix(cr, &font);
  cairo_matrix_multiply(&font, &shear, &font);
  cairo_set_font_matrix(cr, &font);
  cairo_show_text(cr, "Slanted");
  cairo_restore(cr);
  cairo_save(cr);
  cairo_translate(cr, 505, 605);
  cairo_rotate(cr, M_PI / 2);
  Words(cr, 0, 0, 14, false, "Sideways");
  cairo_restore(cr);
  Rectangle(cr, kUnderline, 0, 0, 0);
  Rectangle(cr, kStrike, 0, 0, 0);
  Rectangle(cr, kMarker, 0.9, 0.8, 0.1);
  Rectangle(cr, kRule, 0.1, 0.3, 0.8);

  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 40, 30);
  cairo_t* painter = cairo_create(image);
  cairo_set_source_rgb(painter, 0.9, 0.1, 0.1);
  cairo_paint(painter);
  cairo_destroy(painter);
  cairo_save(cr);
  cairo_translate(cr, kImage.x0, kImage.y0);
  cairo_scale(cr, kImage.width() / 40, kImage.height() / 30);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(image);

  // Groups clipped a little larger than what they hold: Splash renders
  // each at the place of its bounding box.
  cairo_save(cr);
  cairo_rectangle(cr, kFadedRect.x0 - 10, kFadedRect.y0 - 10, kFadedRect.width() + 20, kFadedRect.height() + 20);
  cairo_clip(cr);
  cairo_push_group(cr);
  Rectangle(cr, kFadedRect, 0.1, 0.7, 0.1);
  cairo_pop_group_to_source(cr);
  cairo_paint_with_alpha(cr, 0.5);
  cairo_restore(cr);

  cairo_save(cr);
  cairo_rectangle(cr, kFadedText.x0 - 10, kFadedText.y0 - 10, kFadedText.width() + 20, kFadedText.height() + 20);
  cairo_clip(cr);
  cairo_push_group(cr);
  Words(cr, 300, 650, 14, false, "Faded words");
  cairo_pop_group_to_source(cr);
  cairo_paint_with_alpha(cr, 0.5);
  cairo_restore(cr);

  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return path;
}

// Pixels of a box (in points, the render at 72 dpi) that are not white.
long Ink(const RawImage& image, const Box& box) {
  long count = 0;
  for (long y = static_cast<long>(box.y0); y < static_cast<long>(box.y1) && y < image.height; ++y) {
    for (long x = static_cast<long>(box.x0); x < static_cast<long>(box.x1) && x < image.width; ++x) {
      const unsigned char* pixel = image.data() + (y * image.width + x) * 3;
      if (pixel[0] < 0xf0 || pixel[1] < 0xf0 || pixel[2] < 0xf0) ++count;
    }
  }
  return count;
}

class PageBackgroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    input_ = PdfInput::Open(MakeLayersPdf(), "", "", error);
    ASSERT_TRUE(input_) << error;
  }

  RawImage Render(const BackgroundCutouts& cutouts) {
    std::string error;
    const std::optional<BackgroundSize> size = BackgroundSizeFor(612, 792, 72, error);
    EXPECT_TRUE(size) << error;
    PageBackgrounds backgrounds(*input_);
    RawImage image;
    EXPECT_TRUE(size && backgrounds.Render(0, *size, cutouts, image, error)) << error;
    EXPECT_EQ(image.width, 612);
    EXPECT_EQ(image.height, 792);
    return image;
  }

  std::unique_ptr<PdfInput> input_;
};

TEST_F(PageBackgroundTest, WithoutCutoutsEverythingIsDrawn) {
  const RawImage image = Render({});
  for (const Box& box :
       {kHeading, kOtherLine, kRule, kImage, kFadedRect, kFadedText, kTypeThree, kSlanted, kSideways}) {
    EXPECT_GT(Ink(image, box), 20) << box.x0 << "," << box.y0;
  }
  EXPECT_FALSE(IsBlank(image));
}

TEST_F(PageBackgroundTest, LeavesOutTheTextOfTextBoxesAndThePictures) {
  BackgroundCutouts cutouts;
  cutouts.text = {kHeading, kFadedText};
  cutouts.pictures = {kImage, kFadedRect};
  const RawImage image = Render(cutouts);
  // Also what transparency groups draw, whose coordinates Splash shifts.
  for (const Box& box : {kHeading, kFadedText, kImage, kFadedRect}) {
    EXPECT_EQ(Ink(image, box), 0) << box.x0 << "," << box.y0;
  }
  // Text the model does not hold stays, and so do rules.
  EXPECT_GT(Ink(image, kOtherLine), 20);
  EXPECT_EQ(Ink(image, kRule), static_cast<long>(kRule.width() * kRule.height()));
}

TEST_F(PageBackgroundTest, KeepsWhatReachesOutOfAPicture) {
  BackgroundCutouts cutouts;
  // Half the image's box, and a box over the rule's middle: neither holds
  // a whole drawing.
  cutouts.pictures = {{kImage.x0, kImage.y0, kImage.x0 + 60, kImage.y1}, {150, 320, 250, 400}};
  const RawImage image = Render(cutouts);
  EXPECT_GT(Ink(image, kImage), 60 * 90);
  EXPECT_EQ(Ink(image, kRule), static_cast<long>(kRule.width() * kRule.height()));
}

TEST_F(PageBackgroundTest, BlankWhenNothingButCutoutsIsDrawn) {
  BackgroundCutouts cutouts;
  cutouts.text = {kHeading, kOtherLine, kFadedText, kTypeThree, kSlanted};
  cutouts.pictures = {kImage, kFadedRect, kRule, kMarker, kStrike, kSideways};
  cutouts.underlined = {kOtherLine};
  EXPECT_TRUE(IsBlank(Render(cutouts)));
}

TEST_F(PageBackgroundTest, WhatTheGlyphsOfTheTextLinesShowed) {
  BackgroundCutouts cutouts;
  // Baselines also of a Type 3 font's glyphs, of text in a transparency
  // group and of slanted text; none for a box no glyph falls in; text on
  // its side is no text box's.
  cutouts.text = {kHeading, kFadedText, kTypeThree, {400, 100, 500, 120}, kSlanted, kSideways};
  std::string error;
  PageBackgrounds backgrounds(*input_);
  RawImage image;
  std::vector<PrintedLine> printed;
  ASSERT_TRUE(backgrounds.Render(0, *BackgroundSizeFor(612, 792, 72, error), cutouts, image, error, &printed)) << error;
  ASSERT_EQ(printed.size(), 6u);
  const double expected[] = {100, 650, 700, NAN, 760};
  for (size_t i = 0; i < 5; ++i) {
    if (std::isnan(expected[i])) {
      EXPECT_TRUE(std::isnan(printed[i].baseline)) << i;
    } else {
      EXPECT_NEAR(printed[i].baseline, expected[i], 0.3) << i;
    }
    EXPECT_FALSE(printed[i].sideways) << i;
  }
  EXPECT_TRUE(std::isnan(printed[5].baseline));
  EXPECT_TRUE(printed[5].sideways);
  // Left out, but the sideways text.
  for (const Box& box : {kTypeThree, kSlanted}) EXPECT_EQ(Ink(image, box), 0) << box.y0;
  EXPECT_GT(Ink(image, kSideways), 20);
}

TEST_F(PageBackgroundTest, AnUnderlineGoesWithTheTextThatDrawsItsOwn) {
  BackgroundCutouts cutouts;
  cutouts.text = {kOtherLine};
  // The text box does not underline: the printed underline stays.
  RawImage image = Render(cutouts);
  EXPECT_GT(Ink(image, {kUnderline.x0, kUnderline.y0 - 1, kUnderline.x1, kUnderline.y1 + 1}), 40);
  EXPECT_EQ(Ink(image, {72, 129, 165, kStrike.y0 - 1}), 0);  // the glyphs are gone
  // It does: the rule goes, and only the rule; a line through the text and
  // a thick mark in the line stay.
  cutouts.underlined = {kOtherLine};
  image = Render(cutouts);
  EXPECT_EQ(Ink(image, {kOtherLine.x0, kOtherLine.y0, 165, kStrike.y0 - 1}), 0);
  EXPECT_EQ(Ink(image, {kOtherLine.x0, kStrike.y1 + 1, 165, kOtherLine.y1}), 0);
  EXPECT_GT(Ink(image, {kStrike.x0, kStrike.y0 - 1, kStrike.x1, kStrike.y1 + 1}), 40);
  EXPECT_EQ(Ink(image, kMarker), static_cast<long>(kMarker.width() * kMarker.height()));
  EXPECT_GT(Ink(image, kRule), 0);
}

TEST_F(PageBackgroundTest, RendersSeveralPagesWithOneDevice) {
  std::string error;
  PageBackgrounds backgrounds(*input_);
  BackgroundCutouts cutouts;
  cutouts.pictures = {kRule};
  RawImage first, second;
  ASSERT_TRUE(backgrounds.Render(0, *BackgroundSizeFor(612, 792, 36, error), cutouts, first, error)) << error;
  // The second render has cutouts of its own, not the first one's.
  ASSERT_TRUE(backgrounds.Render(0, *BackgroundSizeFor(612, 792, 72, error), {}, second, error)) << error;
  EXPECT_EQ(first.width, 306);
  EXPECT_EQ(Ink(second, kRule), static_cast<long>(kRule.width() * kRule.height()));
  EXPECT_FALSE(backgrounds.Render(1, *BackgroundSizeFor(612, 792, 72, error), {}, second, error));
  EXPECT_NE(error.find("page 2"), std::string::npos) << error;
}

TEST(BackgroundSizeFor, KeepsTheResolutionWithinTheImageLimits) {
  struct Case {
    double width, height, dpi;
    long expectWidth, expectHeight;  // 0: only the limits are checked
  };
  const Case cases[] = {
      {612, 792, 200, 1700, 2200},                             // US Letter as asked
      {612, 792, 72, 612, 792},    {14400, 14400, 200, 0, 0},  // 200 x 200 inches: by the pixel count
      {14400, 720, 200, 0, 0},                                 // 200 x 10 inches: by the side
      {14400, 1, 200, 0, 0},                                   // a sliver: a pixel across
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<BackgroundSize> size = BackgroundSizeFor(c.width, c.height, c.dpi, error);
    ASSERT_TRUE(size) << c.width << " x " << c.height << ": " << error;
    if (c.expectWidth > 0) {
      EXPECT_EQ(size->width, c.expectWidth);
      EXPECT_EQ(size->height, c.expectHeight);
      EXPECT_DOUBLE_EQ(size->dpi, c.dpi);
      continue;
    }
    EXPECT_LE(size->width, kMaxPageSide);
    EXPECT_LE(size->height, kMaxPageSide);
    EXPECT_LE(size->width * size->height, kMaxPagePixels);
    EXPECT_GE(size->height, 1);
    // Proportional, and as large as the limits allow.
    EXPECT_NEAR(static_cast<double>(size->width) / static_cast<double>(size->height), c.width / c.height,
                c.width / c.height * 0.01 + 1.0 / static_cast<double>(size->height) * c.width / c.height);
    EXPECT_TRUE(size->width > kMaxPageSide * 0.99 || size->width * size->height > kMaxPagePixels * 0.99)
        << size->width << " x " << size->height;
  }
  std::string error;
  EXPECT_TRUE(BackgroundSizeFor(14400, 14400, 200, error)->width > 10000);
}

TEST(BackgroundSizeFor, RefusesPagesWithoutAPictureInOneLine) {
  for (const auto& [width, height] : {std::pair{0.0, 792.0}, {612.0, -1.0}, {100000.0, 2.0}, {1e9, 0.001}}) {
    std::string error;
    EXPECT_FALSE(BackgroundSizeFor(width, height, 200, error)) << width << " x " << height;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace zembra::exporter
