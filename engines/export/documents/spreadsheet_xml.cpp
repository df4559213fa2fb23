#include "engines/export/documents/spreadsheet_xml.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace zembra::exporter {

namespace {

// How a number cell shows its value as the page did: thousands commas and
// the same count of decimals ("1,200", "91.10").
struct NumberLook {
  bool grouped = false;
  size_t decimals = 0;
  auto operator<=>(const NumberLook&) const = default;
};

NumberLook LookOf(const std::string& text) {
  NumberLook look;
  look.grouped = text.find(',') != std::string::npos;
  const size_t point = text.find('.');
  look.decimals = point == std::string::npos ? 0 : text.size() - point - 1;
  return look;
}

std::string StyleName(const NumberLook& look) {
  return "n" + std::string(look.grouped ? "g" : "p") + std::to_string(look.decimals);
}

std::string CellXml(const std::string& text, std::set<NumberLook>& looks) {
  if (text.empty()) return "<table:table-cell/>";
  const std::string paragraph = "<text:p>" + XmlEscape(text) + "</text:p>";
  if (const std::optional<double> number = CellNumber(text)) {
    char value[64];
    std::snprintf(value, sizeof value, "%.17g", *number);
    const NumberLook look = LookOf(text);
    looks.insert(look);
    return "<table:table-cell table:style-name=\"c" + StyleName(look) +
           "\" office:value-type=\"float\" office:value=\"" + value + "\">" + paragraph + "</table:table-cell>";
  }
  return "<table:table-cell office:value-type=\"string\">" + paragraph + "</table:table-cell>";
}

std::string NumberStyles(const std::set<NumberLook>& looks) {
  std::string styles = "<office:automatic-styles>";
  for (const NumberLook& look : looks) {
    const std::string name = StyleName(look);
    styles += "<number:number-style style:name=\"" + name + "\"><number:number number:min-integer-digits=\"1\"" +
              " number:decimal-places=\"" + std::to_string(look.decimals) + "\"" +
              (look.grouped ? " number:grouping=\"true\"" : "") + "/></number:number-style>" +
              "<style:style style:name=\"c" + name + "\" style:family=\"table-cell\" style:data-style-name=\"" +
              name + "\"/>";
  }
  return styles + "</office:automatic-styles>\n";
}

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (byte >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

std::optional<double> CellNumber(const std::string& text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t digitsStart = i;
  std::string plain = text.substr(0, i);
  size_t group = 0;       // digits since the last thousands comma
  bool grouped = false;
  while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == ',')) {
    if (text[i] == ',') {
      // Thousands commas sit after one to three digits, then every three.
      if (group == 0 || group > 3 || (grouped && group != 3)) return std::nullopt;
      grouped = true;
      group = 0;
    } else {
      plain += text[i];
      ++group;
    }
    ++i;
  }
  if (i == digitsStart || (grouped && group != 3)) return std::nullopt;
  const size_t integerDigits = plain.size() - digitsStart;
  if (integerDigits > 1 && plain[digitsStart] == '0') return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    plain += '.';
    ++i;
    const size_t fractionStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) plain += text[i++];
    if (i == fractionStart) return std::nullopt;
  }
  if (i != text.size() || integerDigits > 15) return std::nullopt;
  return std::strtod(plain.c_str(), nullptr);
}

std::string SpreadsheetXml(const std::vector<PageText>& pages, int firstPage) {
  std::set<NumberLook> looks;
  std::string tables;
  for (size_t p = 0; p < pages.size(); ++p) {
    tables += "<table:table table:name=\"Page " + std::to_string(firstPage + static_cast<int>(p)) + "\">\n";
    const std::vector<std::vector<std::string>> rows = TableRows(pages[p].lines);
    if (rows.empty()) tables += "<table:table-row><table:table-cell/></table:table-row>\n";
    for (const std::vector<std::string>& row : rows) {
      tables += "<table:table-row>";
      for (const std::string& field : row) tables += CellXml(field, looks);
      tables += "</table:table-row>\n";
    }
    tables += "</table:table>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
         " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
         " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
         " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
         " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
         " office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n" +
         NumberStyles(looks) + "<office:body><office:spreadsheet>\n" + tables +
         "</office:spreadsheet></office:body></office:document>\n";
}

}  // namespace zembra::exporter
