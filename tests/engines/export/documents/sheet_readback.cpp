#include "tests/engines/export/documents/sheet_readback.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/run_program.h"

namespace zembra::exporter::testing {

namespace {

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const size_t end = text.find(';', i);
    const std::string entity = text.substr(i + 1, end - i - 1);
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    i = end;
  }
  return out;
}

std::string Attribute(const std::string& tag, const std::string& name) {
  const size_t at = tag.find(" " + name + "=\"");
  if (at == std::string::npos) return "";
  const size_t start = at + name.size() + 3;
  return Unescaped(tag.substr(start, tag.find('"', start) - start));
}

int Count(const std::string& tag, const std::string& name) {
  const std::string value = Attribute(tag, name);
  return value.empty() ? 1 : std::stoi(value);
}

// The text of a cell's content: its paragraphs, blanks of <text:s/>, line breaks.
std::string CellText(const std::string& content) {
  std::string text;
  bool firstParagraph = true;
  for (size_t i = 0; i < content.size();) {
    if (content[i] != '<') {
      const size_t next = content.find('<', i);
      text += Unescaped(content.substr(i, next - i));
      i = next == std::string::npos ? content.size() : next;
      continue;
    }
    const size_t close = content.find('>', i);
    const std::string tag = content.substr(i, close - i + 1);
    if (tag == "<text:p>" || tag == "<text:p/>" || tag.rfind("<text:p ", 0) == 0) {
      if (!firstParagraph) text += '\n';
      firstParagraph = false;
    } else if (tag.rfind("<text:s", 0) == 0) {
      text += std::string(static_cast<size_t>(Count(tag, "text:c")), ' ');
    } else if (tag.rfind("<text:line-break", 0) == 0) {
      text += '\n';
    }
    i = close + 1;
  }
  return text;
}

bool Empty(const ReadCell& cell) { return cell.text.empty() && cell.type.empty() && !cell.covered; }

}  // namespace

std::vector<std::pair<std::string, ReadSheet>> ReadSheets(const std::string& xml) {
  std::vector<std::pair<std::string, ReadSheet>> sheets;
  for (size_t at = xml.find("<table:table "); at != std::string::npos; at = xml.find("<table:table ", at + 1)) {
    const size_t tagEnd = xml.find('>', at);
    const size_t end = xml.find("</table:table>", at);
    ReadSheet sheet;
    // Rows and cells, each tag in turn; a run of empty rows or cells is
    // expanded at most 64 times, enough for the sheets under test.
    size_t i = tagEnd + 1;
    while (i < end) {
      const size_t open = xml.find('<', i);
      if (open >= end) break;
      const size_t close = xml.find('>', open);
      const std::string tag = xml.substr(open, close - open + 1);
      i = close + 1;
      if (tag.rfind("<table:table-row", 0) == 0 && tag.rfind("<table:table-rows", 0) != 0) {
        sheet.emplace_back();
        const int repeated = Count(tag, "table:number-rows-repeated");
        const size_t rowEnd = tag.back() == '/' ? i : xml.find("</table:table-row>", i);
        std::vector<ReadCell> row;
        size_t k = i;
        while (k < rowEnd) {
          const size_t cellOpen = xml.find('<', k);
          if (cellOpen >= rowEnd) break;
          const size_t cellClose = xml.find('>', cellOpen);
          const std::string cellTag = xml.substr(cellOpen, cellClose - cellOpen + 1);
          k = cellClose + 1;
          const bool covered = cellTag.rfind("<table:covered-table-cell", 0) == 0;
          if (!covered && cellTag.rfind("<table:table-cell", 0) != 0) continue;
          ReadCell cell;
          cell.covered = covered;
          cell.type = Attribute(cellTag, "office:value-type");
          cell.value = Attribute(cellTag, "office:value");
          cell.currency = Attribute(cellTag, "office:currency");
          cell.style = Attribute(cellTag, "table:style-name");
          cell.columnsSpanned = Count(cellTag, "table:number-columns-spanned");
          cell.rowsSpanned = Count(cellTag, "table:number-rows-spanned");
          if (cellTag[cellTag.size() - 2] != '/') {
            const size_t contentEnd = xml.find(covered ? "</table:covered-table-cell>" : "</table:table-cell>", k);
            cell.text = CellText(xml.substr(k, contentEnd - k));
            k = xml.find('>', contentEnd) + 1;
          }
          const int times = std::min(Count(cellTag, "table:number-columns-repeated"), 64);
          for (int t = 0; t < times; ++t) row.push_back(cell);
        }
        while (!row.empty() && Empty(row.back())) row.pop_back();
        sheet.back() = row;
        for (int t = 1; t < std::min(repeated, 64); ++t) sheet.push_back(row);
        i = tag.back() == '/' ? i : xml.find('>', rowEnd) + 1;
      }
    }
    while (!sheet.empty() && sheet.back().empty()) sheet.pop_back();
    sheets.emplace_back(Attribute(xml.substr(at, tagEnd - at + 1), "table:name"), std::move(sheet));
  }
  return sheets;
}

std::vector<std::vector<std::string>> SheetTexts(const ReadSheet& sheet) {
  std::vector<std::vector<std::string>> rows;
  for (const std::vector<ReadCell>& row : sheet) {
    std::vector<std::string>& texts = rows.emplace_back();
    for (const ReadCell& cell : row) texts.push_back(cell.covered ? "~" : cell.text);
  }
  return rows;
}

std::pair<int, int> FindCell(const ReadSheet& sheet, const std::string& text) {
  for (size_t r = 0; r < sheet.size(); ++r) {
    for (size_t c = 0; c < sheet[r].size(); ++c) {
      if (!sheet[r][c].covered && sheet[r][c].text == text) return {static_cast<int>(r), static_cast<int>(c)};
    }
  }
  return {-1, -1};
}

std::vector<std::vector<std::string>> PythonCsvRecords(const std::string& path) {
  // Fields end with US (0x1F), records with RS (0x1E): neither is in a page's text.
  const zembra::testing::ProgramResult run =
      zembra::testing::RunProgram({"python3", "-c",
                                   "import csv, sys\n"
                                   "with open(sys.argv[1], newline='', encoding='utf-8', errors='strict') as f:\n"
                                   "    for record in csv.reader(f, strict=True):\n"
                                   "        sys.stdout.write('\\x1f'.join(record) + '\\x1e')\n",
                                   path});
  if (run.exitCode != 0) {
    ADD_FAILURE() << "Python's csv module cannot read " << path << ": " << run.errorOutput;
    return {};
  }
  std::vector<std::vector<std::string>> records;
  size_t start = 0;
  for (size_t end = run.output.find('\x1e'); end != std::string::npos; end = run.output.find('\x1e', start)) {
    const std::string record = run.output.substr(start, end - start);
    std::vector<std::string>& fields = records.emplace_back();
    if (!record.empty()) {
      size_t from = 0;
      for (size_t sep = record.find('\x1f');; sep = record.find('\x1f', from)) {
        fields.push_back(record.substr(from, sep == std::string::npos ? sep : sep - from));
        if (sep == std::string::npos) break;
        from = sep + 1;
      }
    }
    start = end + 1;
  }
  return records;
}

}  // namespace zembra::exporter::testing
