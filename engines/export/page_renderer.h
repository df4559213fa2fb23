// Pages drawn with poppler's core renderer (Splash). One device per document
// and thread, set up once and reused page after page: the fonts of the
// document are loaded once, the bitmap is allocated once per band size.
#pragma once

#include <poppler/splash/SplashTypes.h>

#include <functional>
#include <memory>
#include <string>

#include "engines/export/page_geometry.h"
#include "engines/export/pdf_input.h"

class PDFDoc;
class SplashOutputDev;

namespace zembra::exporter {

struct RenderStyle {
  bool gray = false;  ///< render 8-bit grey instead of RGB
  bool textAntialias = true;
  bool vectorAntialias = true;
};

/// Builds a device of SplashOutputDev or a class derived from it, from the
/// colour mode, the row padding in bytes and the paper colour.
using SplashDeviceMaker =
    std::function<std::unique_ptr<SplashOutputDev>(SplashColorMode mode, int rowPad, SplashColorPtr paper)>;

/// A Splash device ready to draw pages of doc: white paper, rows packed
/// without padding, 8-bit grey or RGB and antialiasing as the style says,
/// fonts without hinting (as poppler's own tools draw them). make builds a
/// device of a derived class; by default a plain SplashOutputDev.
std::unique_ptr<SplashOutputDev> MakeSplashDevice(PDFDoc& doc, const RenderStyle& style,
                                                  const SplashDeviceMaker& make = nullptr);

/// Draws pages of one document with one device. Not safe to use from two
/// threads at once: each thread has its own, on a PDFDoc of its own.
class PageRenderer {
 public:
  PageRenderer(PDFDoc& doc, const RenderStyle& style);
  ~PageRenderer();
  PageRenderer(const PageRenderer&) = delete;
  PageRenderer& operator=(const PageRenderer&) = delete;

  /// Renders rows [firstRow, firstRow + rows) of page index (from 0) at the
  /// geometry's resolutions into image: a view of the device's bitmap, rows
  /// packed, 1 (grey) or 3 (RGB) bytes a pixel, valid until the next call.
  /// abandon, when given, is asked now and then while the page is drawn; once
  /// it answers true, drawing stops and Render fails.
  bool Render(int index, const PageGeometry& geometry, long firstRow, long rows, RawImage& image, std::string& error,
              const std::function<bool()>& abandon = nullptr);

  /// Hands the bitmap of the last Render over to image, which keeps it
  /// alive; the device makes a new one for its next page.
  void HandOver(RawImage& image);

 private:
  PDFDoc& doc_;
  RenderStyle style_;
  std::unique_ptr<SplashOutputDev> device_;
};

}  // namespace zembra::exporter
