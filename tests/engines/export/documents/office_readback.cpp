#include "tests/engines/export/documents/office_readback.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "engines/export/export_options.h"
#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter::testing {

namespace {

// Text of an ODF fragment: <text:s/> and <text:tab/> as blanks, other
// markup dropped, the five XML entities decoded.
std::string PlainText(const std::string& xml) {
  std::string text = std::regex_replace(xml, std::regex("<text:s( text:c=\"[0-9]+\")?/>|<text:tab/>"), " ");
  text = std::regex_replace(text, std::regex("</text:[ph]>"), "\n");
  text = std::regex_replace(text, std::regex("<[^>]*>"), "");
  for (const auto& [entity, character] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
      text.replace(at, entity.size(), character);
    }
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

const OdtParts& ConvertedPage(const std::string& page, const std::string& suffix) {
  static std::map<std::string, OdtParts> contents;
  const std::string key = page + "." + suffix;
  const auto known = contents.find(key);
  if (known != contents.end()) return known->second;
  OdtParts& content = contents[key];
  const std::string pdf = RenderedPage(page);
  if (pdf.empty()) return content;
  const std::string output = TestDirectory() + "/" + key;
  std::string error;
  if (!Convert(Job(pdf, output), error)) {
    ADD_FAILURE() << "the exporter did not write " << output << ": " << error;
    return content;
  }
  const std::string odt = OfficeConvert(output, "odt");
  if (!odt.empty()) content = {ZipMember(odt, "content.xml"), ZipMember(odt, "styles.xml")};
  return content;
}

std::vector<std::string> CellTexts(const std::string& content) {
  std::vector<std::string> texts;
  const std::regex cell("<table:table-cell[^>]*?(/>|>([\\s\\S]*?)</table:table-cell>)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), cell); it != std::sregex_iterator(); ++it) {
    texts.push_back(PlainText((*it)[2].str()));
  }
  return texts;
}

std::vector<std::string> ParagraphTexts(const std::string& content) {
  const std::string outside = std::regex_replace(content, std::regex("<table:table [\\s\\S]*?</table:table>"), "");
  std::vector<std::string> texts;
  const std::regex paragraph("<text:([ph])( [^>]*)?(/>|>([\\s\\S]*?)</text:\\1>)");
  for (auto it = std::sregex_iterator(outside.begin(), outside.end(), paragraph); it != std::sregex_iterator(); ++it) {
    texts.push_back(PlainText((*it)[4].str()));
  }
  return texts;
}

}  // namespace zembra::exporter::testing
