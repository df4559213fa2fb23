// The XML parts of a presentation package: one slide per page showing the
// page's picture, with the page's text in transparent text boxes on top so
// that it can be searched and selected.
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/page_layout.h"

namespace zembra::exporter {

/// Slide size in EMU (12700 per point), kept within what presentation
/// programs accept (1 to 56 inches a side).
struct SlideSize {
  long cx = 0, cy = 0;
};
SlideSize SlideSizeFor(double widthPoints, double heightPoints);

/// Where a page's picture sits on the slide: scaled to fit, centred.
struct Placement {
  double scale = 1;        ///< EMU per point
  long offsetX = 0, offsetY = 0;
  long cx = 0, cy = 0;     ///< the picture's extent
};
Placement PlacePage(const SlideSize& slide, double widthPoints, double heightPoints);

std::string ContentTypesXml(size_t slides);
std::string RootRelationshipsXml();
std::string CorePropertiesXml(const std::string& title);
std::string AppPropertiesXml(size_t slides);
std::string PresentationXml(size_t slides, const SlideSize& size);
std::string PresentationRelationshipsXml(size_t slides);
std::string SlideMasterXml();
std::string SlideMasterRelationshipsXml();
std::string SlideLayoutXml();
std::string SlideLayoutRelationshipsXml();
std::string ThemeXml();
std::string PresentationPropertiesXml();
std::string ViewPropertiesXml();
std::string TableStylesXml();

/// Slide number (1-based) showing media/page<number>.png and the page's text.
std::string SlideXml(size_t number, const PageText& page, const Placement& placement);
std::string SlideRelationshipsXml(size_t number);

}  // namespace zembra::exporter
