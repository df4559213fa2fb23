#include "engines/export/documents/spreadsheet_xml.h"

#include <cstdio>
#include <map>

namespace zembra::exporter {

namespace {

struct Locale {
  const char* language;
  const char* country;
};

// A locale that writes the look's separators, so that the number format
// prints "1.234,56" where the page did: LibreOffice takes the decimal and
// the thousands separator from the format's locale.
Locale LocaleOf(const NumberLook& look) {
  const bool blank = look.groupSeparator == ' ' || look.groupSeparator == 0xA0 || look.groupSeparator == 0x202F ||
                     look.groupSeparator == 0x2009 || look.groupSeparator == 0x2007;
  const bool apostrophe = look.groupSeparator == '\'' || look.groupSeparator == 0x2019;
  if (look.mark == DecimalMark::kComma) return blank ? Locale{"fr", "FR"} : Locale{"de", "DE"};
  return apostrophe ? Locale{"de", "CH"} : Locale{"en", "US"};
}

// The locale whose currency a symbol names, so that a reader of the
// workbook knows "£" as pounds sterling; the euro's follows the decimal mark.
Locale CurrencyLocale(const NumberLook& look) {
  struct Row {
    const char* code;
    Locale locale;
  };
  static constexpr Row kRows[] = {
      {"USD", {"en", "US"}}, {"GBP", {"en", "GB"}}, {"JPY", {"ja", "JP"}}, {"CHF", {"de", "CH"}}, {"CNY", {"zh", "CN"}},
      {"CAD", {"en", "CA"}}, {"AUD", {"en", "AU"}}, {"SEK", {"sv", "SE"}}, {"NOK", {"nb", "NO"}}, {"DKK", {"da", "DK"}},
      {"PLN", {"pl", "PL"}}, {"CZK", {"cs", "CZ"}}, {"INR", {"en", "IN"}}, {"RUB", {"ru", "RU"}}, {"KRW", {"ko", "KR"}},
      {"ILS", {"he", "IL"}}, {"TRY", {"tr", "TR"}}, {"VND", {"vi", "VN"}}, {"UAH", {"uk", "UA"}}, {"THB", {"th", "TH"}},
  };
  for (const Row& row : kRows) {
    if (look.currencyCode == row.code) return row.locale;
  }
  return look.mark == DecimalMark::kComma ? Locale{"de", "DE"} : Locale{"en", "IE"};
}

std::string LocaleAttributes(Locale locale) {
  return std::string(" number:language=\"") + locale.language + "\" number:country=\"" + locale.country + "\"";
}

// The positive number as the look prints it: digits, and the currency or
// percent sign on its side.
std::string NumberBody(const NumberLook& look) {
  const std::string number = "<number:number number:decimal-places=\"" + std::to_string(look.decimals) +
                             "\" number:min-integer-digits=\"1\"" + (look.grouped ? " number:grouping=\"true\"" : "") +
                             "/>";
  const std::string blank = look.affixSpaced ? "<number:text> </number:text>" : "";
  switch (look.kind) {
    case NumberKind::kPercent:
      return number + "<number:text>" + (look.affixSpaced ? " " : "") + "%</number:text>";
    case NumberKind::kCurrency: {
      const std::string symbol = "<number:currency-symbol" + LocaleAttributes(CurrencyLocale(look)) + ">" +
                                 XmlEscape(look.currency) + "</number:currency-symbol>";
      return look.currencyFirst ? symbol + blank + number : number + blank + symbol;
    }
    case NumberKind::kPlain:
      break;
  }
  return number;
}

const char* StyleElement(NumberKind kind) {
  switch (kind) {
    case NumberKind::kPercent:
      return "number:percentage-style";
    case NumberKind::kCurrency:
      return "number:currency-style";
    case NumberKind::kPlain:
      break;
  }
  return "number:number-style";
}

enum class Vertical { kBottom, kTop, kMiddle };

// What sets cell styles apart.
struct CellLook {
  std::string dataStyle;  // the number format's style; "" for none
  bool bold = false;
  bool wrapped = false;
  CellAlignment alignment = CellAlignment::kDefault;
  Vertical vertical = Vertical::kBottom;
  int indent = 0;
  auto operator<=>(const CellLook&) const = default;
};

class Styles {
 public:
  /// The name of the cell style for a cell; "" for the default.
  std::string cellStyle(const SheetCell& cell) {
    CellLook look;
    if (cell.number) {
      auto [at, added] = numberStyles_.emplace(cell.number->look, "");
      if (added) at->second = "N" + std::to_string(numberStyles_.size());
      look.dataStyle = at->second;
    } else {
      look.alignment = cell.alignment;  // numbers stay at the right
    }
    look.bold = cell.bold;
    look.indent = cell.indent;
    look.wrapped = cell.wrapped;
    // A cell over several rows has its text in their middle, as browsers
    // show it; a cell of several lines starts at the top.
    look.vertical = cell.rowSpan > 1 ? Vertical::kMiddle : cell.wrapped ? Vertical::kTop : Vertical::kBottom;
    if (look == CellLook{}) return "";
    auto [at, added] = cellStyles_.emplace(look, "");
    if (added) at->second = "ce" + std::to_string(cellStyles_.size());
    return at->second;
  }

  std::string columnStyle(double width) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1fpt", width);
    auto [at, added] = columnStyles_.emplace(text, "");
    if (added) at->second = "co" + std::to_string(columnStyles_.size());
    return at->second;
  }

  std::string xml() const {
    std::string xml = "<office:automatic-styles>\n";
    for (const auto& [look, name] : numberStyles_) xml += NumberStyleXml(look, name);
    for (const auto& [width, name] : columnStyles_) {
      xml += "<style:style style:name=\"" + name +
             "\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"" + width +
             "\"/></style:style>\n";
    }
    for (const auto& [look, name] : cellStyles_) {
      xml += "<style:style style:name=\"" + name +
             "\" style:family=\"table-cell\" style:parent-style-name=\"Default\"" +
             (look.dataStyle.empty() ? "" : " style:data-style-name=\"" + look.dataStyle + "\"") + ">";
      const bool aligned = look.alignment != CellAlignment::kDefault;
      if (look.wrapped || aligned || look.vertical != Vertical::kBottom) {
        xml += std::string("<style:table-cell-properties") + (look.wrapped ? " fo:wrap-option=\"wrap\"" : "") +
               (look.vertical == Vertical::kTop      ? " style:vertical-align=\"top\""
                : look.vertical == Vertical::kMiddle ? " style:vertical-align=\"middle\""
                                                     : "") +
               (aligned ? " style:text-align-source=\"fix\"" : "") + "/>";
      }
      if (aligned || look.indent > 0) {
        xml += std::string("<style:paragraph-properties") +
               (aligned ? std::string(" fo:text-align=\"") +
                              (look.alignment == CellAlignment::kCenter ? "center" : "end") + "\""
                        : "") +
               (look.indent > 0 ? " fo:margin-left=\"" + std::to_string(look.indent * 10) + "pt\"" : "") + "/>";
      }
      if (look.bold) {
        xml +=
            "<style:text-properties fo:font-weight=\"bold\" style:font-weight-asian=\"bold\""
            " style:font-weight-complex=\"bold\"/>";
      }
      xml += "</style:style>\n";
    }
    return xml + "</office:automatic-styles>\n";
  }

 private:
  std::map<NumberLook, std::string> numberStyles_;
  std::map<CellLook, std::string> cellStyles_;
  std::map<std::string, std::string> columnStyles_;
};

std::string Paragraphs(const std::string& text) {
  std::string xml;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    xml += "<text:p>" + XmlEscape(text.substr(start, end == std::string::npos ? end : end - start)) + "</text:p>";
    if (end == std::string::npos) return xml;
    start = end + 1;
  }
}

std::string CellXml(const SheetCell& cell, Styles& styles) {
  if (cell.covered) return "<table:covered-table-cell/>";
  std::string attributes;
  const std::string style = styles.cellStyle(cell);
  if (!style.empty()) attributes += " table:style-name=\"" + style + "\"";
  if (cell.columnSpan > 1 || cell.rowSpan > 1) {
    attributes += " table:number-columns-spanned=\"" + std::to_string(cell.columnSpan) +
                  "\" table:number-rows-spanned=\"" + std::to_string(cell.rowSpan) + "\"";
  }
  if (cell.number) {
    switch (cell.number->look.kind) {
      case NumberKind::kPercent:
        attributes += " office:value-type=\"percentage\"";
        break;
      case NumberKind::kCurrency:
        attributes += " office:value-type=\"currency\" office:currency=\"" + cell.number->look.currencyCode + "\"";
        break;
      case NumberKind::kPlain:
        attributes += " office:value-type=\"float\"";
        break;
    }
    attributes += " office:value=\"" + cell.number->value + "\"";
  } else if (!cell.text.empty()) {
    attributes += " office:value-type=\"string\"";
  }
  if (cell.text.empty()) return "<table:table-cell" + attributes + "/>";
  return "<table:table-cell" + attributes + ">" + Paragraphs(cell.text) + "</table:table-cell>";
}

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (byte >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

std::string NumberStyleXml(const NumberLook& look, const std::string& name) {
  const std::string element = StyleElement(look.kind);
  const std::string locale = LocaleAttributes(LocaleOf(look));
  if (!look.parenthesized) {
    return "<" + element + " style:name=\"" + name + "\"" + locale + ">" + NumberBody(look) + "</" + element + ">\n";
  }
  // Negatives in parentheses: the style shows "(…)" and hands values from 0
  // up to its positive part, as a format code "#,##0.00;(#,##0.00)" does.
  const std::string positive = name + "P0";
  return "<" + element + " style:name=\"" + positive + "\" style:volatile=\"true\"" + locale + ">" + NumberBody(look) +
         "</" + element + ">\n<" + element + " style:name=\"" + name + "\"" + locale + "><number:text>(</number:text>" +
         NumberBody(look) + "<number:text>)</number:text><style:map style:condition=\"value()&gt;=0\"" +
         " style:apply-style-name=\"" + positive + "\"/></" + element + ">\n";
}

std::string SpreadsheetXml(const SheetGrid& grid, size_t sheetRows) {
  Styles styles;
  std::string tables;
  for (const SheetGrid& sheet : SplitSheets(grid, sheetRows)) {
    tables += "<table:table table:name=\"" + XmlEscape(sheet.name) + "\">\n";
    for (double width : sheet.columnWidths) {
      tables += "<table:table-column table:style-name=\"" + styles.columnStyle(width) + "\"/>";
    }
    tables += "\n";
    for (const std::vector<SheetCell>& row : sheet.rows) {
      tables += "<table:table-row>";
      for (const SheetCell& cell : row) tables += CellXml(cell, styles);
      if (row.empty()) tables += "<table:table-cell/>";
      tables += "</table:table-row>\n";
    }
    if (sheet.rows.empty()) tables += "<table:table-row><table:table-cell/></table:table-row>\n";
    tables += "</table:table>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
         " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
         " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
         " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
         " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
         " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
         " office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n" +
         styles.xml() + "<office:body><office:spreadsheet>\n" + tables +
         "</office:spreadsheet></office:body></office:document>\n";
}

}  // namespace zembra::exporter
