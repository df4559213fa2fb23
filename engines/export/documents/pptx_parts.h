// The XML parts of a presentation package but its slides (pptx_slide): the
// presentation with one slide per page, its master, layout and theme, the
// content types and the package's relationships.
#pragma once

#include <string>
#include <vector>

namespace zembra::exporter {

constexpr double kEmuPerPoint = 12700;

/// Slide size in EMU, kept within what presentation programs accept (1 to
/// 56 inches a side).
struct SlideSize {
  long cx = 0, cy = 0;
};

/// The slide of a page of this size: the page's size, reduced
/// proportionally when a side is longer than 56 inches; a side shorter than
/// an inch is made an inch (the page is then centred on the slide).
SlideSize SlideSizeFor(double widthPoints, double heightPoints);

/// Where a page sits on its slide: scaled to fit, centred.
struct Placement {
  double scale = 1;  ///< EMU per point
  long offsetX = 0, offsetY = 0;
  long cx = 0, cy = 0;  ///< the page's extent on the slide
};
Placement PlacePage(const SlideSize& slide, double widthPoints, double heightPoints);

/// The XML declaration every part starts with.
extern const char* const kXmlHead;
/// The namespaces of presentation parts (prefixes a, r and p).
extern const char* const kPresentationNamespaces;

/// What every shape tree starts with: its own (empty) group properties.
extern const char* const kShapeTreeHead;

/// One relationship of a relationships part; external for hyperlinks.
std::string RelationshipXml(const std::string& id, const std::string& type, const std::string& target,
                            bool external = false);
/// A relationships part holding the given relationships.
std::string RelationshipsXml(const std::string& relationships);

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

}  // namespace zembra::exporter
