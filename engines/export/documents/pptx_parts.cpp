#include "engines/export/documents/pptx_parts.h"

#include <algorithm>
#include <cmath>

#include "engines/export/documents/spreadsheet_xml.h"

namespace zembra::exporter {

namespace {

constexpr long kMinSlideSide = 914400;    // 1 inch
constexpr long kMaxSlideSide = 51206400;  // 56 inches

const char* const kRelationshipsOpen =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const char* const kRelationshipType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
std::string Str(long value) { return std::to_string(value); }

long Clamp(long value, long low, long high) { return std::min(std::max(value, low), high); }

}  // namespace

const char* const kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char* const kShapeTreeHead =
    "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
    "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";
const char* const kPresentationNamespaces =
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

std::string RelationshipXml(const std::string& id, const std::string& type, const std::string& target, bool external) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelationshipType + type + "\" Target=\"" + XmlEscape(target) +
         "\"" + (external ? " TargetMode=\"External\"" : "") + "/>";
}

std::string RelationshipsXml(const std::string& relationships) {
  return std::string(kXmlHead) + kRelationshipsOpen + relationships + "</Relationships>";
}

SlideSize SlideSizeFor(double widthPoints, double heightPoints) {
  SlideSize size;
  if (!(widthPoints > 0 && heightPoints > 0)) return {kMinSlideSide, kMinSlideSide};
  const double width = widthPoints * kEmuPerPoint, height = heightPoints * kEmuPerPoint;
  const double scale = std::min({1.0, kMaxSlideSide / width, kMaxSlideSide / height});
  size.cx = Clamp(std::lround(width * scale), kMinSlideSide, kMaxSlideSide);
  size.cy = Clamp(std::lround(height * scale), kMinSlideSide, kMaxSlideSide);
  return size;
}

Placement PlacePage(const SlideSize& slide, double widthPoints, double heightPoints) {
  Placement placement;
  if (widthPoints <= 0 || heightPoints <= 0) return placement;
  placement.scale = std::min(static_cast<double>(slide.cx) / widthPoints, static_cast<double>(slide.cy) / heightPoints);
  placement.cx = std::lround(widthPoints * placement.scale);
  placement.cy = std::lround(heightPoints * placement.scale);
  placement.offsetX = (slide.cx - placement.cx) / 2;
  placement.offsetY = (slide.cy - placement.cy) / 2;
  return placement;
}

std::string ContentTypesXml(size_t slides) {
  const std::string type = "application/vnd.openxmlformats-officedocument.";
  std::string xml =
      std::string(kXmlHead) +
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Default Extension=\"png\" ContentType=\"image/png\"/>"
      "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"" +
      type +
      "presentationml.presentation.main+xml\"/>"
      "<Override PartName=\"/ppt/slideMasters/slideMaster1.xml\" ContentType=\"" +
      type +
      "presentationml.slideMaster+xml\"/>"
      "<Override PartName=\"/ppt/slideLayouts/slideLayout1.xml\" ContentType=\"" +
      type +
      "presentationml.slideLayout+xml\"/>"
      "<Override PartName=\"/ppt/theme/theme1.xml\" ContentType=\"" +
      type +
      "theme+xml\"/>"
      "<Override PartName=\"/ppt/presProps.xml\" ContentType=\"" +
      type +
      "presentationml.presProps+xml\"/>"
      "<Override PartName=\"/ppt/viewProps.xml\" ContentType=\"" +
      type +
      "presentationml.viewProps+xml\"/>"
      "<Override PartName=\"/ppt/tableStyles.xml\" ContentType=\"" +
      type +
      "presentationml.tableStyles+xml\"/>"
      "<Override PartName=\"/docProps/core.xml\" "
      "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
      "<Override PartName=\"/docProps/app.xml\" ContentType=\"" +
      type + "extended-properties+xml\"/>";
  for (size_t i = 1; i <= slides; ++i) {
    xml += "<Override PartName=\"/ppt/slides/slide" + std::to_string(i) + ".xml\" ContentType=\"" + type +
           "presentationml.slide+xml\"/>";
  }
  return xml + "</Types>";
}

std::string RootRelationshipsXml() {
  return std::string(kXmlHead) + kRelationshipsOpen +
         RelationshipXml("rId1", "officeDocument", "ppt/presentation.xml") +
         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/"
         "metadata/core-properties\" Target=\"docProps/core.xml\"/>" +
         RelationshipXml("rId3", "extended-properties", "docProps/app.xml") + "</Relationships>";
}

std::string CorePropertiesXml(const std::string& title) {
  return std::string(kXmlHead) +
         "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
         " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:title>" +
         XmlEscape(title) + "</dc:title></cp:coreProperties>";
}

std::string AppPropertiesXml(size_t slides) {
  return std::string(kXmlHead) +
         "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
         "<Application>Zembra</Application><Slides>" +
         std::to_string(slides) + "</Slides></Properties>";
}

std::string PresentationXml(size_t slides, const SlideSize& size) {
  std::string xml = std::string(kXmlHead) + "<p:presentation" + kPresentationNamespaces + ">" +
                    "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst><p:sldIdLst>";
  for (size_t i = 0; i < slides; ++i) {
    xml += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"rId" + std::to_string(i + 10) + "\"/>";
  }
  return xml + "</p:sldIdLst><p:sldSz cx=\"" + Str(size.cx) + "\" cy=\"" + Str(size.cy) +
         "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>";
}

std::string PresentationRelationshipsXml(size_t slides) {
  std::string xml =
      std::string(kXmlHead) + kRelationshipsOpen +
      RelationshipXml("rId1", "slideMaster", "slideMasters/slideMaster1.xml") +
      RelationshipXml("rId2", "theme", "theme/theme1.xml") + RelationshipXml("rId3", "presProps", "presProps.xml") +
      RelationshipXml("rId4", "viewProps", "viewProps.xml") + RelationshipXml("rId5", "tableStyles", "tableStyles.xml");
  for (size_t i = 0; i < slides; ++i) {
    xml += RelationshipXml("rId" + std::to_string(i + 10), "slide", "slides/slide" + std::to_string(i + 1) + ".xml");
  }
  return xml + "</Relationships>";
}

std::string SlideMasterXml() {
  return std::string(kXmlHead) + "<p:sldMaster" + kPresentationNamespaces + "><p:cSld><p:bg><p:bgRef idx=\"1001\">" +
         "<a:schemeClr val=\"bg1\"/></p:bgRef></p:bg><p:spTree>" + kShapeTreeHead + "</p:spTree></p:cSld>" +
         "<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" accent2=\"accent2\""
         " accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\""
         " folHlink=\"folHlink\"/><p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/>"
         "</p:sldLayoutIdLst><p:txStyles><p:titleStyle/><p:bodyStyle/><p:otherStyle/></p:txStyles></p:sldMaster>";
}

std::string SlideMasterRelationshipsXml() {
  return std::string(kXmlHead) + kRelationshipsOpen +
         RelationshipXml("rId1", "slideLayout", "../slideLayouts/slideLayout1.xml") +
         RelationshipXml("rId2", "theme", "../theme/theme1.xml") + "</Relationships>";
}

std::string SlideLayoutXml() {
  return std::string(kXmlHead) + "<p:sldLayout" + kPresentationNamespaces + " type=\"blank\" preserve=\"1\">" +
         "<p:cSld name=\"Blank\"><p:spTree>" + kShapeTreeHead + "</p:spTree></p:cSld>" +
         "<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>";
}

std::string SlideLayoutRelationshipsXml() {
  return std::string(kXmlHead) + kRelationshipsOpen +
         RelationshipXml("rId1", "slideMaster", "../slideMasters/slideMaster1.xml") + "</Relationships>";
}

std::string ThemeXml() {
  const auto color = [](const char* name, const char* rgb) {
    return std::string("<a:") + name + "><a:srgbClr val=\"" + rgb + "\"/></a:" + name + ">";
  };
  const std::string fonts = "<a:latin typeface=\"Arial\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>";
  const std::string fill = "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>";
  const std::string line = "<a:ln w=\"9525\">" + fill + "</a:ln>";
  const std::string effect = "<a:effectStyle><a:effectLst/></a:effectStyle>";
  return std::string(kXmlHead) +
         "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Page\"><a:themeElements>"
         "<a:clrScheme name=\"Page\">" +
         "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
         "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>" +
         color("dk2", "1F497D") + color("lt2", "EEECE1") + color("accent1", "4F81BD") + color("accent2", "C0504D") +
         color("accent3", "9BBB59") + color("accent4", "8064A2") + color("accent5", "4BACC6") +
         color("accent6", "F79646") + color("hlink", "0000FF") + color("folHlink", "800080") +
         "</a:clrScheme><a:fontScheme name=\"Page\"><a:majorFont>" + fonts + "</a:majorFont><a:minorFont>" + fonts +
         "</a:minorFont></a:fontScheme><a:fmtScheme name=\"Page\"><a:fillStyleLst>" + fill + fill + fill +
         "</a:fillStyleLst><a:lnStyleLst>" + line + line + line + "</a:lnStyleLst><a:effectStyleLst>" + effect +
         effect + effect + "</a:effectStyleLst><a:bgFillStyleLst>" + fill + fill + fill +
         "</a:bgFillStyleLst></a:fmtScheme></a:themeElements><a:objectDefaults/><a:extraClrSchemeLst/></a:theme>";
}

std::string PresentationPropertiesXml() {
  return std::string(kXmlHead) + "<p:presentationPr" + kPresentationNamespaces + "/>";
}

std::string ViewPropertiesXml() {
  return std::string(kXmlHead) + "<p:viewPr" + kPresentationNamespaces +
         "><p:normalViewPr/><p:gridSpacing cx=\"76200\" cy=\"76200\"/></p:viewPr>";
}

std::string TableStylesXml() {
  return std::string(kXmlHead) +
         "<a:tblStyleLst xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
         " def=\"{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}\"/>";
}

}  // namespace zembra::exporter
