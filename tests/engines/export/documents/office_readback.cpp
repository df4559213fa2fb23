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

// The contents of the elements of these names, in document order, each up
// to its first closing tag; an empty element gives "". Searched by hand:
// std::regex recurses once a character and overflows the stack on a long table.
std::vector<std::string> ElementContents(const std::string& xml, const std::vector<std::string>& names) {
  std::vector<std::string> contents;
  for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    for (const std::string& name : names) {
      const size_t after = at + 1 + name.size();
      if (xml.compare(at + 1, name.size(), name) != 0 || after >= xml.size() ||
          (xml[after] != ' ' && xml[after] != '>' && xml[after] != '/')) {
        continue;
      }
      const size_t tagEnd = xml.find('>', after);
      if (tagEnd == std::string::npos) return contents;
      if (xml[tagEnd - 1] == '/') {
        contents.emplace_back();
        at = tagEnd;
        break;
      }
      const size_t end = xml.find("</" + name + ">", tagEnd);
      if (end == std::string::npos) return contents;
      contents.push_back(xml.substr(tagEnd + 1, end - tagEnd - 1));
      at = end;
      break;
    }
  }
  return contents;
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
  for (const std::string& cell : ElementContents(content, {"table:table-cell"})) texts.push_back(PlainText(cell));
  return texts;
}

std::vector<std::string> ParagraphTexts(const std::string& content) {
  std::string outside = content;
  for (size_t at = outside.find("<table:table "); at != std::string::npos; at = outside.find("<table:table ", at)) {
    const size_t end = outside.find("</table:table>", at);
    outside.erase(at, end == std::string::npos ? std::string::npos : end + 14 - at);
  }
  std::vector<std::string> texts;
  for (const std::string& paragraph : ElementContents(outside, {"text:p", "text:h"})) {
    texts.push_back(PlainText(paragraph));
  }
  return texts;
}

}  // namespace zembra::exporter::testing
