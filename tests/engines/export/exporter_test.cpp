// The converter as the front end runs it: real PDFs in, files checked with
// ImageMagick's identify, libtiff's tiffinfo and file.
#include "engines/export/exporter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/engines/export/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using namespace zembra::exporter::testing;

constexpr const char* kRed = "255,0,0";
constexpr const char* kGreen = "0,255,0";
constexpr const char* kBlue = "0,0,255";
constexpr const char* kBlack = "0,0,0";
constexpr const char* kWhite = "255,255,255";

#define REQUIRE_CHECK_TOOLS()                  \
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/identify"); \
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/convert");  \
  ZEMBRA_REQUIRE_PROGRAM("tiffinfo");          \
  ZEMBRA_REQUIRE_PROGRAM("file")

class Exporter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    inputs_ = new ScratchDirectory();
    WriteQuadrantPdf(In("one.pdf"), 1);
    WriteQuadrantPdf(In("three.pdf"), 3);
    WriteBoxPdf(In("box.pdf"));
    WriteGreyPdf(In("grey.pdf"));
    WriteShapesPdf(In("shapes.pdf"));
    AddInfoEntries(In("one.pdf"), In("hinted.pdf"), {{"ZembraImageHeight", "50"}, {"ZembraJpegQuality", "30"}});
  }
  static void TearDownTestSuite() {
    delete inputs_;
    inputs_ = nullptr;
  }
  static std::string In(const std::string& name) { return *inputs_ / name; }

  // Runs "-call <options> <input> <output>" and expects success.
  std::string Convert(const std::vector<std::string>& options, const std::string& input, const std::string& output) {
    std::vector<std::string> words{"-call"};
    words.insert(words.end(), options.begin(), options.end());
    words.push_back(In(input));
    words.push_back(out_ / output);
    const RunResult result = RunExporter(words);
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    return result.output;
  }

  // Runs and expects failure: exit 1, one line.
  std::string Fail(const std::vector<std::string>& words) {
    const RunResult result = RunExporter(words);
    EXPECT_EQ(result.exitStatus, 1) << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    return result.output;
  }

  std::string Out(const std::string& name) const { return out_ / name; }

  static ScratchDirectory* inputs_;
  ScratchDirectory out_;
};

ScratchDirectory* Exporter::inputs_ = nullptr;

TEST_F(Exporter, WritesEveryImageFormat) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    const char* output;
    const char* magick;
    const char* fileSays;
  };
  for (const Case& c :
       {Case{"a.jpg", "JPEG", "JPEG image data"}, Case{"a.png", "PNG", "PNG image data"},
        Case{"a.tif", "TIFF", "TIFF image data"}, Case{"a.tga", "TGA", "Targa image data"}, Case{"a.pcx", "PCX", "PCX"},
        Case{"a.bmp", "BMP3", "PC bitmap"}, Case{"a.gif", "GIF", "GIF image data"},
        Case{"UPPER.JPG", "JPEG", "JPEG image data"}, Case{"b.TiF", "TIFF", "TIFF image data"}}) {
    Convert({}, "one.pdf", c.output);
    EXPECT_EQ(Identify(Out(c.output), "%m %w %h"), std::string(c.magick) + " 417 209") << c.output;
    EXPECT_NE(FileType(Out(c.output)).find(c.fileSays), std::string::npos) << FileType(Out(c.output));
    // JPEG is lossy: colours within a few steps.
    EXPECT_TRUE(ColourNear(PixelAt(Out(c.output), 100, 50), kRed, 4)) << c.output;
    EXPECT_TRUE(ColourNear(PixelAt(Out(c.output), 300, 150), kBlack, 4)) << c.output;
    EXPECT_TRUE(ColourNear(PixelAt(Out(c.output), 300, 50), kWhite, 4)) << c.output;
  }
}

TEST_F(Exporter, SizesImagesByResolutionAndPixelOptions) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    std::vector<std::string> options;
    const char* size;
  };
  const Case cases[] = {
      {{"-r", "72"}, "200 100"},
      {{"-r", "300"}, "834 417"},
      {{"-xres", "72", "-yres", "144"}, "200 200"},
      {{"-r", "72", "-r", "144"}, "400 200"},
      {{"-w", "400"}, "400 200"},
      {{"-width", "100"}, "100 50"},
      {{"-h", "50"}, "100 50"},
      {{"-height", "60"}, "120 60"},
      {{"-w", "300", "-h", "300"}, "300 300"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "s" + std::to_string(n++) + ".png";
    Convert(c.options, "one.pdf", name);
    EXPECT_EQ(Identify(Out(name), "%w %h"), c.size) << c.options[0];
    EXPECT_EQ(PixelAt(Out(name), 2, 2), kRed) << c.options[0];
  }
}

TEST_F(Exporter, ProcessedPagesKeepTheirColourTypeAndResolution) {
  REQUIRE_CHECK_TOOLS();
  // Rotated or trimmed pages go through the image library instead of the direct encoders.
  struct Case {
    std::vector<std::string> options;
    const char* output;
    const char* fileSays;
  };
  const Case cases[] = {
      {{"-rotate", "180"}, "r.png", "8-bit/color RGB"},
      {{"-rotate", "180", "-gray"}, "rg.png", "8-bit grayscale"},
      {{"-trimimage", "-gray"}, "tg.jpg", "components 1"},
      {{"-trimimage"}, "t.jpg", "components 3"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> options = c.options;
    options.insert(options.end(), {"-r", "96"});
    Convert(options, "one.pdf", c.output);
    EXPECT_NE(FileType(Out(c.output)).find(c.fileSays), std::string::npos)
        << c.output << ": " << FileType(Out(c.output));
    EXPECT_EQ(DpiOf(Out(c.output)), "96 96") << c.output;
  }
  EXPECT_EQ(PixelAt(Out("r.png"), 260, 120), kRed);  // upside down: red at the bottom right
  EXPECT_EQ(Identify(Out("t.jpg"), "%Q"), "85");
}

TEST_F(Exporter, RecordsResolutionAndForcedDpi) {
  REQUIRE_CHECK_TOOLS();
  Convert({}, "one.pdf", "d.png");
  EXPECT_EQ(DpiOf(Out("d.png")), "150 150");
  Convert({"-r", "72", "-forcexdpi", "300", "-forceydpi", "200"}, "one.pdf", "f.jpg");
  EXPECT_EQ(Identify(Out("f.jpg"), "%w %h"), "200 100");
  EXPECT_EQ(DpiOf(Out("f.jpg")), "300 200");
  Convert({"-r", "72", "-forcexdpi", "300"}, "one.pdf", "f.tif");
  EXPECT_NE(TiffInfo(Out("f.tif")).find("Resolution: 300, 72 pixels/inch"), std::string::npos)
      << TiffInfo(Out("f.tif"));
  Convert({"-r", "96"}, "one.pdf", "f.bmp");
  EXPECT_EQ(DpiOf(Out("f.bmp")), "96 96");
  Convert({"-r", "72", "-forcexdpi", "300", "-forceydpi", "200", "-gray", "-trimimage"}, "box.pdf", "f.png");
  EXPECT_EQ(DpiOf(Out("f.png")), "300 200");
}

TEST_F(Exporter, ReducesColours) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    std::vector<std::string> options;
    const char* output;
    const char* fileSays;
  };
  const Case cases[] = {
      {{}, "c.png", "8-bit/color RGB"},
      {{"-gray"}, "g.png", "8-bit grayscale"},
      {{"-mono"}, "m.png", "1-bit grayscale"},
      {{"-mono", "-gray"}, "mg.png", "1-bit grayscale"},
      {{"-mono"}, "m.bmp", "x 1,"},
      {{"-gray"}, "g.bmp", "colors"},           // a grey palette, not 24-bit colour
      {{"-gray"}, "g.pcx", "], 8-bit colour"},  // one plane with a palette
      {{"-mono"}, "m.pcx", "], 1-bit colour"},
      {{"-mono"}, "m.jpg", "components 1"},
      {{"-gray"}, "g.jpg", "components 1"},
      {{}, "c.jpg", "components 3"},
  };
  for (const Case& c : cases) {
    Convert(c.options, "one.pdf", c.output);
    EXPECT_NE(FileType(Out(c.output)).find(c.fileSays), std::string::npos)
        << c.output << ": " << FileType(Out(c.output));
  }
  // Red turns a dark grey, or black in black and white.
  for (const char* mono : {"m.png", "m.bmp", "m.pcx"}) {
    EXPECT_EQ(PixelAt(Out(mono), 100, 50), kBlack) << mono;
    EXPECT_EQ(PixelAt(Out(mono), 300, 50), kWhite) << mono;
  }
  EXPECT_EQ(PixelAt(Out("g.pcx"), 100, 50), PixelAt(Out("g.png"), 100, 50));
  EXPECT_EQ(PixelAt(Out("g.bmp"), 300, 150), kBlack);
  const std::string grey = PixelAt(Out("g.png"), 100, 50);
  EXPECT_NE(grey, kBlack);
  EXPECT_EQ(
      grey.substr(0, grey.find(',')) + "," + grey.substr(0, grey.find(',')) + "," + grey.substr(0, grey.find(',')),
      grey);
}

TEST_F(Exporter, TiffColourDepths) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    std::vector<std::string> options;
    const char* bits;
    const char* photometric;
  };
  const Case cases[] = {
      {{}, "Bits/Sample: 8", "RGB color"},
      {{"-gray"}, "Bits/Sample: 8", "min-is-black"},
      {{"-mono"}, "Bits/Sample: 1", "min-is-white"},
      {{"-forcebwtif"}, "Bits/Sample: 1", "min-is-white"},
      {{"-compress", "4"}, "Bits/Sample: 1", "min-is-white"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "d" + std::to_string(n++) + ".tif";
    Convert(c.options, "one.pdf", name);
    const std::string info = TiffInfo(Out(name));
    EXPECT_NE(info.find(c.bits), std::string::npos) << name << info;
    EXPECT_NE(info.find(c.photometric), std::string::npos) << name << info;
  }
}

TEST_F(Exporter, WritesEveryTiffCompression) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    const char* code;
    const char* scheme;
    const char* extra;  ///< more that tiffinfo must say, or ""
    bool warns;
  };
  const Case cases[] = {
      {"1", "Compression Scheme: None", "", false},
      {"2", "Compression Scheme: CCITT RLE", "Bits/Sample: 1", false},
      {"3", "Compression Scheme: CCITT Group 3", "Bits/Sample: 1", false},
      {"4", "Compression Scheme: CCITT Group 4", "Bits/Sample: 1", false},
      {"5", "Compression Scheme: LZW", "", false},
      {"6", "Compression Scheme: JPEG", "", true},
      {"7", "Compression Scheme: JPEG", "", false},
      {"8", "Compression Scheme: AdobeDeflate", "", false},
      {"32773", "Compression Scheme: PackBits", "", false},
      {"32809", "Compression Scheme: PackBits", "", true},
      {"32946", "Compression Scheme: Deflate", "", false},
      {"88880", "Compression Scheme: CCITT Group 4", "Resolution: 204, 98 pixels/inch", false},
      {"88881", "Compression Scheme: CCITT Group 4", "Resolution: 204, 196 pixels/inch", false},
      {"88882", "Compression Scheme: CCITT Group 3", "Resolution: 204, 98 pixels/inch", false},
      {"88883", "Compression Scheme: CCITT Group 3", "Resolution: 204, 196 pixels/inch", false},
      {"88884", "Compression Scheme: CCITT Group 3", "2-d encoding", false},
  };
  for (const Case& c : cases) {
    const std::string name = std::string("c") + c.code + ".tif";
    const std::string messages = Convert({"-compress", c.code}, "one.pdf", name);
    const std::string info = TiffInfo(Out(name));
    EXPECT_NE(info.find(c.scheme), std::string::npos) << c.code << info;
    EXPECT_NE(info.find(c.extra), std::string::npos) << c.code << info;
    EXPECT_EQ(messages.find("warning") != std::string::npos, c.warns) << c.code << messages;
    if (std::string(c.code).rfind("8888", 0) == 0) {
      EXPECT_EQ(Identify(Out(name), "%w"), "1728") << c.code;
    }
    // The page still reads as the page: red turned black at the top left, white at the top right.
    const bool fax = std::string(c.code).rfind("8888", 0) == 0;
    if (!fax) {
      EXPECT_EQ(PixelAt(Out(name), 300, 50), kWhite) << c.code;
      EXPECT_EQ(PixelAt(Out(name), 300, 150).substr(0, 2), "0,") << c.code;
    }
  }
}

TEST_F(Exporter, WritesEachPageToItsOwnFile) {
  REQUIRE_CHECK_TOOLS();
  Convert({"-r", "72"}, "three.pdf", "p.png");
  EXPECT_EQ(out_.List(), (std::vector<std::string>{"p0001.png", "p0002.png", "p0003.png"}));
  EXPECT_EQ(PixelAt(Out("p0001.png"), 10, 10), kRed);
  EXPECT_EQ(PixelAt(Out("p0002.png"), 10, 10), kGreen);
  EXPECT_EQ(PixelAt(Out("p0003.png"), 10, 10), kBlue);
}

TEST_F(Exporter, SizesEachPageOnItsOwn) {
  REQUIRE_CHECK_TOOLS();
  WriteMixedSizesPdf(In("mixed.pdf"));
  Convert({"-r", "72"}, "mixed.pdf", "m.tif");
  EXPECT_EQ(Identify(Out("m0001.tif"), "%w %h"), "200 100");
  EXPECT_EQ(Identify(Out("m0002.tif"), "%w %h"), "100 300");
  EXPECT_EQ(PixelAt(Out("m0002.tif"), 50, 250), kBlue);
  Convert({"-h", "60"}, "mixed.pdf", "h.png");
  EXPECT_EQ(Identify(Out("h0001.png"), "%w %h"), "120 60");
  EXPECT_EQ(Identify(Out("h0002.png"), "%w %h"), "20 60");
  Convert({"-r", "72", "-multipage"}, "mixed.pdf", "all.tif");
  EXPECT_EQ(Identify(Out("all.tif"), "%w %h,"), "200 100,100 300,");
}

TEST_F(Exporter, SelectsPages) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> files;
    std::vector<const char*> colours;
  };
  const Case cases[] = {
      {{"-f", "2"}, {"x0001.gif", "x0002.gif"}, {kGreen, kBlue}},
      {{"-l", "2"}, {"x0001.gif", "x0002.gif"}, {kRed, kGreen}},
      {{"-f", "2", "-l", "2"}, {"x.gif"}, {kGreen}},
      {{"-f", "7"}, {"x.gif"}, {kBlue}},
      {{"-f", "0", "-l", "1"}, {"x.gif"}, {kRed}},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    std::vector<std::string> words{"-call", "-r", "36"};
    words.insert(words.end(), c.options.begin(), c.options.end());
    words.push_back(In("three.pdf"));
    words.push_back(dir / "x.gif");
    ASSERT_EQ(RunExporter(words).exitStatus, 0) << c.options[0];
    ASSERT_EQ(dir.List(), c.files) << c.options[0];
    for (size_t i = 0; i < c.files.size(); ++i) EXPECT_EQ(PixelAt(dir / c.files[i], 5, 5), c.colours[i]);
  }
}

TEST_F(Exporter, NamesSeriesAfterTheTemplate) {
  REQUIRE_CHECK_TOOLS();
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {{"-tempname", "page"}, {"out.jpg", "page0001.jpg", "page0002.jpg", "page0003.jpg"}},
      {{"-tempname1"}, {"out.jpg", "out1.jpg", "out2.jpg", "out3.jpg"}},
      {{"-tempname", "pg", "-tempname1"}, {"out.jpg", "pg1.jpg", "pg2.jpg", "pg3.jpg"}},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    std::vector<std::string> words{"-call", "-r", "36"};
    words.insert(words.end(), c.options.begin(), c.options.end());
    words.push_back(In("three.pdf"));
    words.push_back(dir / "out.jpg");
    ASSERT_EQ(RunExporter(words).exitStatus, 0);
    EXPECT_EQ(dir.List(), c.files) << c.options[0];
    EXPECT_EQ(ReadFile(dir / "out.jpg"), ReadFile(dir / c.files[1])) << "the first page is also at the output path";
    EXPECT_EQ(Identify(dir / c.files[3], "%[fx:p{5,5}.b > 0.9 && p{5,5}.r < 0.1]"), "1") << "third page is blue";
  }
}

TEST_F(Exporter, PutsEveryPageIntoOneTiff) {
  REQUIRE_CHECK_TOOLS();
  for (const char* code : {"5", "88883", "7"}) {
    ScratchDirectory dir;
    ASSERT_EQ(RunExporter({"-call", "-multipage", "-compress", code, "-r", "72", In("three.pdf"), dir / "all.tif"})
                  .exitStatus,
              0);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"all.tif"});
    const std::string info = TiffInfo(dir / "all.tif");
    EXPECT_NE(info.find("TIFF Directory at offset"), std::string::npos);
    EXPECT_EQ(Identify(dir / "all.tif", "%p "), "0 1 2") << code;
    EXPECT_NE(info.find("Page Number: 2-3"), std::string::npos) << info;
    if (std::string(code) == "5") {
      EXPECT_EQ(PixelAt(dir / "all.tif[1]", 5, 5), kGreen);
    }
  }
}

TEST_F(Exporter, MultipageMeansNothingForOtherFormats) {
  REQUIRE_CHECK_TOOLS();
  const std::string messages = Convert({"-multipage", "-r", "36"}, "three.pdf", "m.png");
  EXPECT_NE(messages.find("-multipage"), std::string::npos);
  EXPECT_EQ(out_.List().size(), 3u);
}

TEST_F(Exporter, RotatesClockwiseWithWhiteCorners) {
  REQUIRE_CHECK_TOOLS();
  Convert({"-r", "72", "-rotate", "90"}, "one.pdf", "r90.png");
  EXPECT_EQ(Identify(Out("r90.png"), "%w %h"), "100 200");
  EXPECT_EQ(PixelAt(Out("r90.png"), 75, 25), kRed);     // top-left quarter moved to the top right
  EXPECT_EQ(PixelAt(Out("r90.png"), 25, 175), kBlack);  // bottom-right to the bottom left
  Convert({"-r", "72", "-rotate", "45"}, "box.pdf", "r45.png");
  EXPECT_GT(std::stoi(Identify(Out("r45.png"), "%w")), 200);
  EXPECT_EQ(PixelAt(Out("r45.png"), 0, 0), kWhite);
  const int w = std::stoi(Identify(Out("r45.png"), "%w"));
  const int h = std::stoi(Identify(Out("r45.png"), "%h"));
  EXPECT_EQ(PixelAt(Out("r45.png"), w - 1, h - 1), kWhite);
  EXPECT_EQ(PixelAt(Out("r45.png"), w / 2, h / 2), kRed);
}

TEST_F(Exporter, FollowsThePagesOwnRotation) {
  REQUIRE_CHECK_TOOLS();
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string turned = In("turned.pdf");
  ASSERT_EQ(testing::Run({"qpdf", "--rotate=+90", In("one.pdf"), turned}).exitStatus, 0);
  Convert({"-r", "72"}, "turned.pdf", "t.png");
  EXPECT_EQ(Identify(Out("t.png"), "%w %h"), "100 200");
  EXPECT_EQ(PixelAt(Out("t.png"), 75, 25), kRed);  // shown turned clockwise
  Convert({"-w", "50"}, "turned.pdf", "w.png");
  EXPECT_EQ(Identify(Out("w.png"), "%w %h"), "50 100");
}

TEST_F(Exporter, TrimsWhiteMargins) {
  REQUIRE_CHECK_TOOLS();
  Convert({"-r", "72", "-trimimage"}, "box.pdf", "t.png");
  EXPECT_EQ(Identify(Out("t.png"), "%w %h"), "100 50");
  EXPECT_EQ(PixelAt(Out("t.png"), 0, 0), kRed);
  Convert({"-r", "72", "-trimimage"}, "one.pdf", "full.png");  // nothing white at the edges to trim away
  EXPECT_EQ(Identify(Out("full.png"), "%w %h"), "200 100");
}

TEST_F(Exporter, DithersAndThresholds) {
  REQUIRE_CHECK_TOOLS();
  // The left half is 50% grey.
  for (const char* method : {"1", "2", "3", "4", "5", "6", "7"}) {
    const std::string name = std::string("d") + method + ".png";
    Convert({"-r", "72", "-mono", "-dither", method}, "grey.pdf", name);
    const std::string mean = Identify(Out(name) + "[80x80+10+10]", "%[fx:mean] %k");
    EXPECT_NEAR(std::stod(mean), 0.5, 0.12) << method;
    EXPECT_EQ(mean.substr(mean.find(' ') + 1), "2") << method;
  }
  Convert({"-r", "72", "-mono", "-threshold", "100"}, "grey.pdf", "light.png");
  EXPECT_EQ(PixelAt(Out("light.png"), 20, 20), kWhite);
  Convert({"-r", "72", "-mono", "-threshold", "200"}, "grey.pdf", "dark.png");
  EXPECT_EQ(PixelAt(Out("dark.png"), 20, 20), kBlack);
  Convert({"-r", "72", "-dither", "3"}, "grey.pdf", "palette.gif");
  EXPECT_EQ(Identify(Out("palette.gif") + "[80x80+10+10]", "%k"), "2");  // grey made of two palette colours
  Convert({"-r", "72"}, "shapes.pdf", "plain.gif");
  EXPECT_LE(std::stoi(Identify(Out("plain.gif"), "%k")), 256);
}

TEST_F(Exporter, AntialiasingCanBeSwitchedOff) {
  REQUIRE_CHECK_TOOLS();
  Convert({"-r", "72", "-gray"}, "shapes.pdf", "smooth.png");
  Convert({"-r", "72", "-gray", "-aa", "no", "-aavec", "no"}, "shapes.pdf", "sharp.png");
  Convert({"-r", "72", "-gray", "-aa", "no", "-aaVector", "no"}, "shapes.pdf", "sharp2.png");
  EXPECT_GT(std::stoi(Identify(Out("smooth.png"), "%k")), 2);
  EXPECT_EQ(Identify(Out("sharp.png"), "%k"), "2");
  EXPECT_EQ(Identify(Out("sharp2.png"), "%k"), "2");
  // Text alone anti-aliased: the disc on the left stays sharp.
  Convert({"-r", "72", "-gray", "-aavec", "no"}, "shapes.pdf", "textonly.png");
  EXPECT_EQ(Identify(Out("textonly.png") + "[90x100+0+0]", "%k"), "2");
  EXPECT_GT(std::stoi(Identify(Out("textonly.png") + "[100x100+100+0]", "%k")), 2);
}

TEST_F(Exporter, AppliesTheRenderersHints) {
  REQUIRE_CHECK_TOOLS();
  Convert({}, "hinted.pdf", "h.jpg");
  EXPECT_EQ(Identify(Out("h.jpg"), "%w %h %Q"), "100 50 30");
  Convert({"-h", "80"}, "hinted.pdf", "own.jpg");
  EXPECT_EQ(Identify(Out("own.jpg"), "%w %h"), "160 80");
  Convert({}, "one.pdf", "plain.jpg");
  EXPECT_EQ(Identify(Out("plain.jpg"), "%Q"), "85");
}

TEST_F(Exporter, OpensEncryptedInputWithItsPassword) {
  REQUIRE_CHECK_TOOLS();
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string locked = out_ / "locked.pdf";
  ASSERT_EQ(testing::Run({"qpdf", "--encrypt", "user", "owner", "256", "--", In("one.pdf"), locked}).exitStatus, 0);
  const std::string noPassword = Fail({"-call", locked, out_ / "a.png"});
  EXPECT_NE(noPassword.find("encrypted"), std::string::npos) << noPassword;
  const std::string wrong = Fail({"-call", "-upw", "guess", locked, out_ / "a.png"});
  EXPECT_NE(wrong.find("wrong"), std::string::npos) << wrong;
  EXPECT_EQ(out_.List(), std::vector<std::string>{"locked.pdf"});
  ASSERT_EQ(RunExporter({"-call", "-upw", "user", "-r", "72", locked, out_ / "u.png"}).exitStatus, 0);
  ASSERT_EQ(RunExporter({"-call", "-opw", "owner", "-r", "72", locked, out_ / "o.png"}).exitStatus, 0);
  EXPECT_EQ(PixelAt(out_ / "u.png", 5, 5), kRed);
  EXPECT_EQ(PixelAt(out_ / "o.png", 5, 5), kRed);
}

TEST_F(Exporter, FailsCleanlyAndLeavesNothing) {
  REQUIRE_CHECK_TOOLS();
  std::ofstream(out_ / "not.pdf") << "plain text, no PDF";
  struct Case {
    std::vector<std::string> words;
    const char* says;
  };
  const Case cases[] = {
      {{"-call", out_ / "missing.pdf", out_ / "a.png"}, "missing.pdf"},
      {{"-call", out_ / "not.pdf", out_ / "a.png"}, "not a PDF"},
      {{"-call", In("one.pdf"), out_ / "a.xyz"}, ".xyz"},
      {{"-call", In("one.pdf"), out_ / "noextension"}, "suffix"},
      {{"-call", "-f", "3", "-l", "2", In("three.pdf"), out_ / "a.png"}, "first page"},
      {{"-call", "-r", "9000", In("three.pdf"), out_ / "a.png"}, "lower the resolution"},
      // The page range is checked before a document format is handed on.
      {{"-call", "-f", "3", "-l", "2", In("three.pdf"), out_ / "a.txt"}, "first page"},
      {{"-call", out_ / "not.pdf", out_ / "a.DOC"}, "not a PDF"},
      {{"-call", In("three.pdf"), out_ / "nodir/a.png"}, "nodir"},
      {{"-call"}, "usage"},
  };
  for (const Case& c : cases) {
    const std::string message = Fail(c.words);
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    EXPECT_EQ(message.rfind("zemexport.lib: ", 0), 0u) << message;
    EXPECT_EQ(out_.List(), std::vector<std::string>{"not.pdf"}) << message;
  }
}

TEST_F(Exporter, AFailingPageInTheMiddleOfASeriesLeavesNothing) {
  REQUIRE_CHECK_TOOLS();
  // Page 5 of 9 is too large at 300 DPI; the pages around it are rendered
  // on every processor meanwhile, and none of them is kept.
  std::vector<std::pair<double, double>> sizes(9, {200, 100});
  sizes[4] = {4000, 4000};
  WriteQuadrantPagesPdf(In("large5.pdf"), sizes);
  WriteDamagedPageTreePdf(In("damaged.pdf"), 9, 2);
  for (const char* output : {"s.png", "s.jpg", "s.tif"}) {
    const std::string message = Fail({"-call", "-r", "300", In("large5.pdf"), out_ / output});
    EXPECT_EQ(message.rfind("zemexport.lib: page 5: the page would be 16667x16667 pixels", 0), 0u) << message;
    EXPECT_EQ(out_.List(), std::vector<std::string>{}) << output;
  }
  EXPECT_EQ(Fail({"-call", In("damaged.pdf"), out_ / "d.png"}), "zemexport.lib: page 9 cannot be read\n");
  EXPECT_EQ(out_.List(), std::vector<std::string>{});
}

TEST_F(Exporter, NeverReplacesAnExistingFile) {
  REQUIRE_CHECK_TOOLS();
  std::ofstream(out_ / "a.png") << "mine";
  EXPECT_NE(Fail({"-call", In("one.pdf"), out_ / "a.png"}).find("exists"), std::string::npos);
  EXPECT_EQ(ReadFile(out_ / "a.png"), "mine");

  // One page of a series taken: no page of the series is written.
  std::ofstream(out_ / "s0002.png") << "mine too";
  EXPECT_NE(Fail({"-call", "-r", "36", In("three.pdf"), out_ / "s.png"}).find("s0002.png"), std::string::npos);
  EXPECT_EQ(out_.List(), (std::vector<std::string>{"a.png", "s0002.png"}));
  EXPECT_EQ(ReadFile(out_ / "s0002.png"), "mine too");

  // With -tempname the output path itself is taken.
  EXPECT_EQ(RunExporter({"-call", "-r", "36", "-tempname", "t", In("three.pdf"), out_ / "a.png"}).exitStatus, 1);
  EXPECT_EQ(out_.List(), (std::vector<std::string>{"a.png", "s0002.png"}));
}

TEST_F(Exporter, InterruptedRunLeavesNothing) {
  REQUIRE_CHECK_TOOLS();
  // Large pages keep the converter busy long enough to be stopped half way.
  const pid_t pid = StartExporter({"-call", "-r", "2000", In("three.pdf"), out_ / "big.png"});
  ASSERT_GT(pid, 0);
  // Wait until the first page is finished in the private directory beside the output.
  bool started = false;
  for (int i = 0; i < 2000 && !started; ++i) {
    for (const std::string& name : out_.List()) {
      if (testing::Run({"sh", "-c", "ls -A '" + (out_ / name) + "' | grep -q png"}).exitStatus == 0) started = true;
    }
    if (!started) ::usleep(10'000);
  }
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(started);
  EXPECT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) != 0);
  EXPECT_TRUE(out_.List().empty()) << out_.List().front();
}

TEST_F(Exporter, AcceptsWhatTheFrontEndSends) {
  REQUIRE_CHECK_TOOLS();
  // Empty arguments, text options and unknown words: warnings, and a result.
  std::vector<std::string> words{"-call", "-f", "", "-eol", "", "-nopgbrk"};
  for (int i = 0; i < 10; ++i) words.push_back("");
  for (const char* word :
       {"-layout", "-fixed", "3", "-htmlmeta", "-enc", "UTF-8", "-eol", "dos", "-bogus", "-r", "36"}) {
    words.push_back(word);
  }
  words.push_back(In("three.pdf"));
  words.push_back(out_ / "e.png");
  const RunResult result = RunExporter(words);
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_NE(result.output.find("-bogus"), std::string::npos);
  EXPECT_NE(result.output.find("'' for -f"), std::string::npos);
  EXPECT_EQ(out_.List(), (std::vector<std::string>{"e0001.png", "e0002.png", "e0003.png"}));
}

TEST_F(Exporter, PrintsItsOptionsOnRequest) {
  const RunResult result = RunExporter({"--help"});
  EXPECT_EQ(result.exitStatus, 0);
  for (const char* option : {"-call", "-compress <int>", "-tempname <string>", "-tempname1", "-nopgbrk"}) {
    EXPECT_NE(result.output.find(std::string("  ") + option + " "), std::string::npos) << option;
  }
}

TEST_F(Exporter, WritesMessagesToTheLog) {
  REQUIRE_CHECK_TOOLS();
  const std::string log = out_ / "run.log";
  ASSERT_EQ(::setenv("ZEMBRA_LOG", log.c_str(), 1), 0);
  RunExporter({"-call", In("one.pdf"), out_ / "a.xyz"});
  ::unsetenv("ZEMBRA_LOG");
  EXPECT_NE(ReadFile(log).find("a.xyz"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
