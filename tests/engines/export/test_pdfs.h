// PDFs with known content for the converter's tests, and running the
// converter and the independent tools that check its results.
#pragma once

#include <string>
#include <vector>

#include "tests/support/files.h"

namespace zembra::exporter::testing {

/// Page k (from 1) of a quadrant PDF: its top-left quarter is red, green or
/// blue for k = 1, 2, 3, 4..., its bottom-right quarter black, the rest white.
void WriteQuadrantPdf(const std::string& path, int pages, double widthPoints = 200, double heightPoints = 100);

/// Two pages of different sizes: 200x100 points, red, then 100x300, blue.
void WriteMixedSizesPdf(const std::string& path);

/// One white 200x100 page with a red box from (50,25) to (150,75) points.
void WriteBoxPdf(const std::string& path);

/// One white 200x100 page whose left half is 50% grey.
void WriteGreyPdf(const std::string& path);

/// One white 200x100 page with a black disc and some text: anti-aliasing shows as grey edges.
void WriteShapesPdf(const std::string& path);

/// Quadrant pages (as WriteQuadrantPdf) of the given sizes in points, one page a size.
void WriteQuadrantPagesPdf(const std::string& path, const std::vector<std::pair<double, double>>& sizes);

/// Text turned every way on four A5 pages (420 x 595 points): lines from 5
/// to 90 points, text at 90, 30 and 180 degrees, glyphs reaching far from
/// their line, squares and words on whole points; pages 2, 3 and 4 shown
/// turned by 90, 180 and 270 degrees (/Rotate).
void WriteTurnedTextPdf(const std::string& path);

/// A PDF of `pages` quadrant pages whose page tree is damaged: the entry of
/// page `damaged` (from 1) is a number, not a page. poppler skips it, so the
/// last page is the one that cannot be read. Written byte by byte.
void WriteDamagedPageTreePdf(const std::string& path, int pages, int damaged);

/// The pages of several PDFs in one, with qpdf.
void JoinPdfs(const std::vector<std::string>& inputs, const std::string& output);

/// Copies a PDF adding text entries to its document information.
void AddInfoEntries(const std::string& from, const std::string& to,
                    const std::vector<std::pair<std::string, std::string>>& entries);

struct RunResult {
  int exitStatus = -1;
  std::string output;  ///< standard output and error together
};

/// Runs a program with the arguments (no shell involved in their meaning).
RunResult Run(const std::vector<std::string>& argv);

/// Starts the converter without waiting; its output goes to /dev/null.
int StartExporter(const std::vector<std::string>& arguments);

/// Runs the converter from the build tree.
RunResult RunExporter(const std::vector<std::string>& arguments);

/// A fresh directory, removed with its content by the destructor.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  /// Names in the directory (hidden ones included), sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

using zembra::testing::FileExists;
using zembra::testing::ReadFile;

/// `identify -format FORMAT file` (ImageMagick's own tool).
std::string Identify(const std::string& file, const std::string& format);
/// The resolution recorded in an image file, in whole pixels per inch: "x y".
std::string DpiOf(const std::string& file);
/// The 8-bit RGB values of a pixel, as "r,g,b".
std::string PixelAt(const std::string& file, long x, long y);
/// Whether two "r,g,b" texts differ by at most tolerance in every channel.
bool ColourNear(const std::string& actual, const std::string& expected, int tolerance);
/// What libtiff's tiffinfo says about a file.
std::string TiffInfo(const std::string& file);
/// What `file` says about a file (without the name).
std::string FileType(const std::string& file);
/// The pixels of an image file (frame 0) as ImageMagick decodes them, 8-bit RGB.
std::string DecodedPixels(const std::string& file);
/// The distinct colours of an image, as "r,g,b" texts sorted.
std::vector<std::string> Colours(const std::string& file);

}  // namespace zembra::exporter::testing
