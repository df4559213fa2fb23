#include "engines/render/toggle_style.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render {
namespace {

namespace fixtures = finish::testing;
using finish::ToggleAppearances;

TEST(RenderToggleStyle, MissingFileIsAnError) {
  ToggleAppearances toggles;
  toggles.radioChecked = "/nonexistent/on.svg";
  std::string error;
  EXPECT_EQ(ToggleStyleSheet(toggles, error), "");
  EXPECT_NE(error.find("/nonexistent/on.svg"), std::string::npos);
}

// Counts pixels of the given colour class in a PPM region (x0..x1, y0..y1).
int CountPixels(const std::string& ppm, int x0, int y0, int x1, int y1, bool green) {
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  std::vector<unsigned char> data(static_cast<size_t>(width) * height * 3);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  int count = 0;
  for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
      const unsigned char* p = &data[(static_cast<size_t>(y) * width + x) * 3];
      const bool isGreen = p[1] > 100 && p[0] < 80 && p[2] < 80;
      const bool isRed = p[0] > 150 && p[1] < 80 && p[2] < 80;
      if (green ? isGreen : isRed) ++count;
    }
  return count;
}

TEST(RenderToggleStyle, ChromiumDrawsTheSvgs) {
  ZEMBRA_REQUIRE_PROGRAM(fixtures::kChromium);
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  const std::string dir = fixtures::ScratchDir();
  std::ofstream(dir + "/off.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                     "<rect width='10' height='10' fill='#e00000'/></svg>";
  std::ofstream(dir + "/on.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                    "<rect width='10' height='10' fill='#00b000'/></svg>";
  ToggleAppearances toggles;
  toggles.checkBox = dir + "/off.svg";
  toggles.checkBoxChecked = dir + "/on.svg";
  std::string error;
  const std::string css = ToggleStyleSheet(toggles, error);
  ASSERT_EQ(error, "");
  // 96 px per inch, printed at 96 dpi: CSS pixels are image pixels.
  const std::string html = "<style>@page{margin:0} body{margin:0} input{position:absolute;top:20px;margin:0;width:40px;height:40px}" +
                           css + "</style><input type=checkbox style='left:20px'>"
                                 "<input type=checkbox checked style='left:100px'>"
                                 "<input type=radio style='left:180px'>";
  ASSERT_EQ(fixtures::PrintHtml(html, dir + "/page.pdf"), "");
  fixtures::Capture("pdftoppm -r 96 -f 1 -l 1 -singlefile '" + dir + "/page.pdf' '" + dir + "/page'");
  const std::string ppm = dir + "/page.ppm";
  EXPECT_GT(CountPixels(ppm, 20, 20, 60, 60, false), 1000);  // unchecked: red
  EXPECT_EQ(CountPixels(ppm, 20, 20, 60, 60, true), 0);
  EXPECT_GT(CountPixels(ppm, 100, 20, 140, 60, true), 1000);  // checked: green
  EXPECT_EQ(CountPixels(ppm, 180, 20, 220, 60, true) + CountPixels(ppm, 180, 20, 220, 60, false), 0);
}

}  // namespace
}  // namespace zembra::render
