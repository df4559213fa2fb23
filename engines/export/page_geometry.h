// How large a page is rendered: resolutions and pixel size from the page's
// size in points and the size options.
#pragma once

#include <optional>
#include <string>

namespace zembra::exporter {

struct SizeRequest {
  double xResolution = 150;
  double yResolution = 150;
  std::optional<long> width;   ///< pixels
  std::optional<long> height;  ///< pixels
  /// Fax page: rendered at this vertical resolution (98 or 196) with 204
  /// horizontally, fitted into the fax width. 0: not a fax.
  int faxYResolution = 0;
};

struct PageGeometry {
  double xResolution = 0;  ///< rendering resolution, DPI
  double yResolution = 0;
  long width = 0;  ///< rendered pixels
  long height = 0;
  long padToWidth = 0;  ///< fax: final width, centred with white; 0: none
  double xDpi = 0;      ///< resolution recorded in the file
  double yDpi = 0;
};

constexpr long kFaxWidth = 1728;
constexpr double kFaxXResolution = 204;
/// What the image library handles in memory under Debian's resource policy.
constexpr long kMaxPageSide = 16000;
constexpr long kMaxPagePixels = 120'000'000;

/// The geometry for a page of widthPoints x heightPoints (as displayed,
/// after the page's own rotation). Fails with error set when the image
/// would be larger than kMaxPageSide or kMaxPagePixels, or the page has no area.
std::optional<PageGeometry> ComputePageGeometry(double widthPoints, double heightPoints, const SizeRequest& request,
                                                std::string& error);

}  // namespace zembra::exporter
