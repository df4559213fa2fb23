#include "engines/render/page_setup.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace zembra::render {

namespace {

constexpr double kMmPerInch = 25.4;

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string LocalTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char text[64];
  return std::strftime(text, sizeof text, format, &parts) > 0 ? text : "";
}

// Replaces the bracketed variables by Chromium's template elements, which it
// fills in per page; the rest is plain text.
std::string ExpandVariables(const std::string& text) {
  struct Variable {
    const char* name;
    std::string html;
  };
  const Variable variables[] = {
      {"[page]", "<span class=\"pageNumber\"></span>"},
      {"[topage]", "<span class=\"totalPages\"></span>"},
      {"[title]", "<span class=\"title\"></span>"},
      {"[doctitle]", "<span class=\"title\"></span>"},
      {"[url]", "<span class=\"url\"></span>"},
      {"[webpage]", "<span class=\"url\"></span>"},
      {"[date]", EscapeHtml(LocalTime("%x"))},
      {"[isodate]", EscapeHtml(LocalTime("%Y-%m-%d"))},
      {"[time]", EscapeHtml(LocalTime("%X"))},
      {"[frompage]", "1"},
  };
  const std::string escaped = EscapeHtml(text);
  std::string out;
  size_t i = 0;
  while (i < escaped.size()) {
    bool replaced = false;
    if (escaped[i] == '[') {
      for (const Variable& variable : variables) {
        if (escaped.compare(i, std::char_traits<char>::length(variable.name), variable.name) == 0) {
          out += variable.html;
          i += std::char_traits<char>::length(variable.name);
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += escaped[i++];
  }
  return out;
}

}  // namespace

std::string HeaderFooterTemplate(const std::string& left, const std::string& center, const std::string& right,
                                 double sideMarginMm) {
  if (left.empty() && center.empty() && right.empty()) return "";
  const std::string margin = std::to_string(sideMarginMm) + "mm";
  auto cell = [](const char* align, const std::string& text) {
    return std::string("<span style=\"flex:1;text-align:") + align + ";white-space:nowrap\">" +
           ExpandVariables(text) + "</span>";
  };
  return "<div style=\"font-family:sans-serif;font-size:9px;width:100%;box-sizing:border-box;display:flex;padding:0 " + margin + ";\">" +
         cell("left", left) + cell("center", center) + cell("right", right) + "</div>";
}

PrintableArea PrintableCssPixels(const PageOptions& page) {
  double widthMm = page.pageWidthMm.value_or(210);
  double heightMm = page.pageHeightMm.value_or(297);
  if (page.landscape) std::swap(widthMm, heightMm);
  const double pxPerMm = 96 / kMmPerInch / page.zoom;
  PrintableArea area;
  area.width = std::max(1, static_cast<int>((widthMm - page.marginLeftMm - page.marginRightMm) * pxPerMm));
  area.height = std::max(1, static_cast<int>((heightMm - page.marginTopMm - page.marginBottomMm) * pxPerMm));
  return area;
}

Json PrintParameters(const PageOptions& page) {
  // Without any size option the page's own @page size wins, A4 otherwise.
  const bool sizeGiven = page.pageWidthMm.has_value() || page.pageHeightMm.has_value();
  const double widthMm = page.pageWidthMm.value_or(210);
  const double heightMm = page.pageHeightMm.value_or(297);
  Json params = {
      {"paperWidth", widthMm / kMmPerInch},
      {"paperHeight", heightMm / kMmPerInch},
      {"landscape", page.landscape},
      {"marginTop", page.marginTopMm / kMmPerInch},
      {"marginBottom", page.marginBottomMm / kMmPerInch},
      {"marginLeft", page.marginLeftMm / kMmPerInch},
      {"marginRight", page.marginRightMm / kMmPerInch},
      {"scale", page.zoom},
      // Over DevTools backgrounds are off unless asked for.
      {"printBackground", page.background},
      {"preferCSSPageSize", !sizeGiven},
      // The whole PDF in the reply: a stream makes Chromium write it to a
      // temporary file first and costs a round trip per chunk (a 1.5 MB
      // tagged PDF of 22 pages came 0.2 s later that way).
      {"transferMode", "ReturnAsBase64"},
      // Tags make a long document's PDF several times larger and its print
      // about a third slower, so only the PDFs that are converted further
      // carry them; the table of contents and its outline come from heading
      // markers instead.
      {"generateTaggedPDF", page.tagged},
      {"generateDocumentOutline", false},
  };
  std::string headerLeft = page.headerLeft, headerRight = page.headerRight;
  if (page.defaultHeader) {
    if (headerLeft.empty()) headerLeft = "[title]";
    if (headerRight.empty()) headerRight = "page [page] of [topage]";
  }
  const double side = std::min(page.marginLeftMm, page.marginRightMm);
  const std::string header = HeaderFooterTemplate(headerLeft, page.headerCenter, headerRight, side);
  const std::string footer =
      HeaderFooterTemplate(page.footerLeft, page.footerCenter, page.footerRight, side);
  if (!header.empty() || !footer.empty()) {
    params["displayHeaderFooter"] = true;
    // An empty template stands for "nothing"; Chromium would print its own default.
    params["headerTemplate"] = header.empty() ? "<span></span>" : header;
    params["footerTemplate"] = footer.empty() ? "<span></span>" : footer;
  }
  return params;
}

bool MarginsShowPageNumbers(const PageOptions& page) {
  if (page.defaultHeader) return true;
  for (const std::string* text : {&page.headerLeft, &page.headerCenter, &page.headerRight, &page.footerLeft,
                                  &page.footerCenter, &page.footerRight})
    if (text->find("[page]") != std::string::npos || text->find("[topage]") != std::string::npos) return true;
  return false;
}

}  // namespace zembra::render
