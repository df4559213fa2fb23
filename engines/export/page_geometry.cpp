#include "engines/export/page_geometry.h"

#include <algorithm>
#include <cmath>

namespace zembra::exporter {

namespace {

// Pixels covering a length in points at a resolution; a page that ends a
// hair past a pixel boundary through rounding in the PDF does not get an
// extra column.
long PixelsFor(double points, double resolution) {
  return std::max(1L, static_cast<long>(std::ceil(points * resolution / 72.0 - 1e-4)));
}

}  // namespace

std::optional<PageGeometry> ComputePageGeometry(double widthPoints, double heightPoints, const SizeRequest& request,
                                                std::string& error) {
  if (!(widthPoints > 0) || !(heightPoints > 0)) {
    error = "the page has no area";
    return std::nullopt;
  }
  PageGeometry g;
  if (request.faxYResolution > 0) {
    // Fax pages are 1728 pixels wide at 204 DPI; a wider page is scaled down
    // keeping the fax aspect, a narrower one is centred on white.
    const double natural = widthPoints * kFaxXResolution / 72.0;
    const double scale = std::min(1.0, static_cast<double>(kFaxWidth) / natural);
    g.xResolution = kFaxXResolution * scale;
    g.yResolution = request.faxYResolution * scale;
    g.width = std::min(kFaxWidth, PixelsFor(widthPoints, g.xResolution));
    g.height = PixelsFor(heightPoints, g.yResolution);
    g.padToWidth = kFaxWidth;
    g.xDpi = kFaxXResolution;
    g.yDpi = request.faxYResolution;
  } else if (request.width || request.height) {
    // One side given: the other follows the page's proportions.
    const double aspect = heightPoints / widthPoints;
    g.width = request.width ? *request.width : std::max(1L, std::lround(static_cast<double>(*request.height) / aspect));
    g.height =
        request.height ? *request.height : std::max(1L, std::lround(static_cast<double>(*request.width) * aspect));
    g.xResolution = static_cast<double>(g.width) * 72.0 / widthPoints;
    g.yResolution = static_cast<double>(g.height) * 72.0 / heightPoints;
    g.xDpi = g.xResolution;
    g.yDpi = g.yResolution;
  } else {
    g.xResolution = request.xResolution;
    g.yResolution = request.yResolution;
    g.width = PixelsFor(widthPoints, g.xResolution);
    g.height = PixelsFor(heightPoints, g.yResolution);
    g.xDpi = g.xResolution;
    g.yDpi = g.yResolution;
  }
  const double pixels = static_cast<double>(std::max(g.width, g.padToWidth)) * static_cast<double>(g.height);
  if (g.width > kMaxPageSide || g.height > kMaxPageSide || pixels > static_cast<double>(kMaxPagePixels)) {
    error = "the page would be " + std::to_string(g.width) + "x" + std::to_string(g.height) + " pixels, more than " +
            std::to_string(kMaxPageSide) + " a side or " + std::to_string(kMaxPagePixels / 1'000'000) +
            " million in all; lower the resolution or size";
    return std::nullopt;
  }
  return g;
}

}  // namespace zembra::exporter
