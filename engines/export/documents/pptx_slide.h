// One slide of a presentation from one page of the document: the page's
// text as text boxes at its place (a box per paragraph, its lines broken as
// printed), its pictures as pictures, and behind them a picture of whatever
// else the page shows (page_background).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/page_background.h"
#include "engines/export/documents/pptx_parts.h"

namespace zembra::exporter {

/// A paragraph, or the part of one printed on one page.
struct TextPiece {
  const Paragraph* paragraph = nullptr;
  std::vector<const TextLine*> lines;  ///< top to bottom
  Box box;                             ///< the lines' extent
  bool opens = false;                  ///< holds the paragraph's first line
  /// Each line's baseline as printed (points from the page's top), NaN or
  /// missing where not known: the text box is placed by it when known, by
  /// the lines' boxes when not.
  std::vector<double> baselines;
};

/// What the document holds of one page, in reading order.
struct PageContent {
  std::vector<TextPiece> texts;
  std::vector<const Picture*> pictures;
};

/// The document's content page by page, one entry for each of
/// document.pages: paragraphs (also table cells' and captions) with their
/// lines on each page they run over, and pictures (also table cells').
/// What lies on no page of the document is left out.
std::vector<PageContent> ContentByPage(const Document& document);

/// Takes in what the background's render found of the content's lines,
/// given in the order of CutoutsOf's text lines: their baselines, and which
/// are printed sideways; those stay in the background, their text boxes
/// are left out.
void SetPrinted(PageContent& content, const std::vector<PrintedLine>& printed);

/// A list item's label shown as the bullet of its text box: the bullet
/// (DrawingML's buChar or buAutoNum, numbered from the label's number) and
/// how far before the text it starts, in points.
struct ListBullet {
  std::string xml;
  double indent = 0;
};

/// The bullet of a list item whose label is printed before its first line:
/// a single symbol ("•", "◦", "▪"), or a number, letter or roman numeral
/// followed by "." or ")". Nothing for other paragraphs, for right-to-left
/// ones, and for labels no bullet shows as printed; such a label stays in
/// the background.
std::optional<ListBullet> BulletOf(const Paragraph& paragraph);

/// What the page's background leaves out: the text boxes' lines (text: the
/// lines of content.texts in order), the labels their bullets show, and the
/// pictures.
BackgroundCutouts CutoutsOf(const PageContent& content);

/// The parts of a slide.
struct SlideParts {
  std::string xml;            ///< ppt/slides/slideN.xml
  std::string relationships;  ///< ppt/slides/_rels/slideN.xml.rels
};

/// Media of a slide, as targets relative to the slide part ("../media/x.png").
struct SlideMedia {
  std::string background;             ///< empty: no background picture
  std::vector<std::string> pictures;  ///< one for each of the content's pictures
};

/// The slide showing the content at the placement. language is the
/// document's (BCP 47), empty when unknown.
SlideParts BuildSlide(const PageContent& content, const Placement& placement, const SlideMedia& media,
                      const std::string& language);

/// A link target as an external relationship may hold it: a URI with a
/// scheme, with blanks, non-ASCII and other characters URIs cannot carry
/// percent-encoded. Empty for links within the document and for text that
/// is no URI.
std::string ExternalLinkTarget(const std::string& link);

}  // namespace zembra::exporter
