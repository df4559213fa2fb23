// The usage text is hand-formatted; these tests hold every layout rule that
// a later edit could break, and check that zemconv prints it unchanged.
#include "driver/usage_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::size_t kMaxLine = 77;
constexpr std::size_t kFieldWidth = 31;     // two blanks, option, placeholders, padding
constexpr std::size_t kDescription = 33;    // index where a description starts
constexpr std::size_t kMaxCommandLine = 75; // example command lines break here

struct Row {
  std::string field;                     // option field without indent or padding
  std::vector<std::string> description;  // one piece per line
  std::vector<Row> subRows;
};

struct Section {
  std::string heading;
  std::vector<Row> rows;
};

struct Example {
  std::vector<std::string> description;
  std::vector<std::string> commandLines;  // one, or two when broken
  std::vector<std::string> words;         // of the joined command line
};

struct Usage {
  std::vector<std::string> lines;
  std::vector<Section> sections;  // the option sections, without "Examples:"
  std::vector<std::string> headings;
  std::vector<Example> examples;
  std::vector<std::string> problems;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(' ', start)) != std::string::npos; start = end + 1) {
    words.push_back(text.substr(start, end - start));
  }
  words.push_back(text.substr(start));
  return words;
}

std::string Join(const std::vector<std::string>& pieces) {
  std::string joined;
  for (const std::string& piece : pieces) joined += (joined.empty() ? "" : " ") + piece;
  return joined;
}

std::size_t LeadingBlanks(const std::string& line) {
  const std::size_t first = line.find_first_not_of(' ');
  return first == std::string::npos ? line.size() : first;
}

// Character-level rules: ASCII, no tabs, line length, the newlines at both ends.
void CheckCharacters(const std::string& text, Usage& usage) {
  if (text.empty() || text.front() != '\n') usage.problems.push_back("text must begin with a newline");
  if (text.empty() || text.back() != '\n') usage.problems.push_back("text must end with a newline");
  if (text.size() >= 2 && text[text.size() - 2] == '\n') {
    usage.problems.push_back("text must end with the last example, not an empty line");
  }
  for (std::size_t i = 0; i < usage.lines.size(); ++i) {
    const std::string& line = usage.lines[i];
    const std::string where = "line " + std::to_string(i + 1) + ": ";
    if (line.size() > kMaxLine) usage.problems.push_back(where + "longer than 77 characters");
    if (!line.empty() && line.back() == ' ') usage.problems.push_back(where + "trailing blank");
    for (const char c : line) {
      if (c == '\t') {
        usage.problems.push_back(where + "tab");
      } else if (c < 0x20 || c > 0x7e) {
        usage.problems.push_back(where + "not printable ASCII");
      }
    }
  }
}

// Reads the rows of one option section, from `i` up to the empty line after it.
std::size_t ParseRows(Usage& usage, std::size_t i, Section& section) {
  const std::vector<std::string>& lines = usage.lines;
  Row* last = nullptr;  // row or sub-row that a continuation line extends
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    const std::string& line = lines[i];
    const std::string where = "line " + std::to_string(i + 1) + ": ";
    const std::size_t indent = LeadingBlanks(line);
    if (indent == kDescription && line.size() > kDescription) {
      if (last == nullptr) {
        usage.problems.push_back(where + "continuation without a row");
      } else {
        last->description.push_back(line.substr(kDescription));
      }
      continue;
    }
    if (indent != 2 && indent != 4) {
      usage.problems.push_back(where + "neither a row, a sub-row nor a 33-blank continuation");
      last = nullptr;
      continue;
    }
    if (line.size() <= kDescription || line[kFieldWidth] != ':' || line[kFieldWidth + 1] != ' ' ||
        line[kDescription] == ' ') {
      usage.problems.push_back(where + "\":\" not in column 32 or description not in column 34");
      last = nullptr;
      continue;
    }
    std::string field = line.substr(indent, kFieldWidth - indent);
    field.erase(field.find_last_not_of(' ') + 1);
    Row row{field, {line.substr(kDescription)}, {}};
    if (indent == 2) {
      section.rows.push_back(row);
      last = &section.rows.back();
    } else if (section.rows.empty()) {
      usage.problems.push_back(where + "sub-row without an option row");
      last = nullptr;
    } else {
      section.rows.back().subRows.push_back(row);
      last = &section.rows.back().subRows.back();
    }
  }
  if (section.rows.empty()) usage.problems.push_back("section " + section.heading + " has no rows");
  return i;
}

void ParseExamples(Usage& usage, std::size_t i) {
  const std::vector<std::string>& lines = usage.lines;
  while (i < lines.size()) {
    const std::string where = "line " + std::to_string(i + 1) + ": ";
    Example example;
    for (; i < lines.size() && !lines[i].empty() && lines[i].rfind("zemconv ", 0) != 0; ++i) {
      example.description.push_back(lines[i]);
    }
    if (example.description.empty() || example.description.size() > 2) {
      usage.problems.push_back(where + "an example needs one or two description lines");
    } else if (example.description.back().back() != ':' || LeadingBlanks(example.description.front()) != 0) {
      usage.problems.push_back(where + "example description must start the line and end with \":\"");
    }
    if (i == lines.size() || lines[i].empty()) {
      usage.problems.push_back(where + "example without a command line");
    } else {
      example.commandLines.push_back(lines[i++]);
      if (i < lines.size() && !lines[i].empty()) {
        if (LeadingBlanks(lines[i]) != 1) {
          usage.problems.push_back(where + "continuation needs one leading blank");
        }
        example.commandLines.push_back(lines[i++]);
      }
      std::string command = example.commandLines.front();
      if (example.commandLines.size() == 2) command += example.commandLines.back();
      example.words = SplitWords(command);
      if (example.commandLines.size() == 1 && command.size() > kMaxCommandLine) {
        usage.problems.push_back(where + "command line over 75 characters is not broken");
      }
      // Broken at the last blank that keeps the first line within 75.
      if (example.commandLines.size() == 2 &&
          command.rfind(' ', kMaxCommandLine) != example.commandLines[0].size()) {
        usage.problems.push_back(where + "command line not broken at the last blank within 75 characters");
      }
    }
    usage.examples.push_back(example);
    if (i < lines.size()) {
      // One empty line between examples, and none after the last.
      if (!lines[i].empty() || i + 1 == lines.size() || lines[i + 1].empty()) {
        usage.problems.push_back("line " + std::to_string(i + 1) +
                                 ": examples must be separated by one empty line");
        return;
      }
      ++i;
    }
  }
}

Usage Parse(const std::string& text) {
  Usage usage;
  usage.lines = SplitLines(text);
  CheckCharacters(text, usage);
  const std::vector<std::string>& lines = usage.lines;
  const std::size_t kFirstHeading = 11;  // after banner, description and usage line
  if (lines.size() <= kFirstHeading) {
    usage.problems.push_back("text too short");
    return usage;
  }
  for (std::size_t i = kFirstHeading; i < lines.size();) {
    const std::string& heading = lines[i];
    if (heading.empty() || heading.front() == ' ' || heading.back() != ':') {
      usage.problems.push_back("line " + std::to_string(i + 1) + ": expected a section heading");
      return usage;
    }
    usage.headings.push_back(heading);
    if (heading == "Examples:") {
      ParseExamples(usage, i + 1);
      return usage;
    }
    Section section{heading, {}};
    i = ParseRows(usage, i + 1, section);
    usage.sections.push_back(section);
    ++i;  // the one empty line before the next heading
  }
  usage.problems.push_back("no \"Examples:\" section");
  return usage;
}

const Usage& Text() {
  static const Usage usage = Parse(USAGE_TEXT);
  return usage;
}

const Section* FindSection(const Usage& usage, const std::string& heading) {
  for (const Section& section : usage.sections) {
    if (section.heading == heading) return &section;
  }
  return nullptr;
}

std::vector<std::string> Fields(const std::vector<Row>& rows) {
  std::vector<std::string> fields;
  for (const Row& row : rows) fields.push_back(row.field);
  return fields;
}

std::map<std::string, const Row*> RowsByField(const Usage& usage) {
  std::map<std::string, const Row*> rows;
  for (const Section& section : usage.sections) {
    for (const Row& row : section.rows) {
      rows[row.field] = &row;
      for (const Row& sub : row.subRows) rows[sub.field] = &sub;
    }
  }
  return rows;
}

TEST(UsageText, FollowsTheLayoutRules) {
  EXPECT_THAT(Text().problems, IsEmpty());
}

TEST(UsageText, OpensWithBannerDescriptionAndUsageLine) {
  const std::vector<std::string>& lines = Text().lines;
  ASSERT_GT(lines.size(), 11u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], std::string(55, '='));
  EXPECT_EQ(lines[2], "Zembra v 2.0");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4].rfind("Zembra is designed to convert HTML files (or webpages)", 0), 0u) << lines[4];
  for (std::size_t i = 4; i < 8; ++i) EXPECT_FALSE(lines[i].empty()) << "description line " << i - 3;
  EXPECT_EQ(lines[8], "");
  EXPECT_EQ(lines[9], "Usage: zemconv [options] <input file> <output file>");
  EXPECT_EQ(lines[10], "");
}

TEST(UsageText, DescriptionNamesTheFormatsInOrder) {
  const std::vector<std::string> formats = {"PDF", "JPEG", "TIFF", "PNG", "TGA", "PS",  "EPS", "PCX",
                                            "BMP", "GIF",  "TXT",  "DOC", "RTF", "XLS", "CSV"};
  const std::set<std::string> known(formats.begin(), formats.end());
  std::vector<std::string> named;
  for (std::size_t i = 4; i < 8 && i < Text().lines.size(); ++i) {
    std::string word;
    for (const char c : Text().lines[i] + " ") {
      if (c >= 'A' && c <= 'Z') {
        word += c;
        continue;
      }
      if (known.count(word) != 0) named.push_back(word);
      word.clear();
    }
  }
  EXPECT_THAT(named, ElementsAreArray(formats));
}

TEST(UsageText, HeadingsInOrder) {
  EXPECT_THAT(Text().headings,
              ElementsAreArray({"Options:", "For PDF only:", "For others except PDF:", "Examples:"}));
}

TEST(UsageText, RowsOfTheGeneralSection) {
  const Section* section = FindSection(Text(), "Options:");
  ASSERT_NE(section, nullptr);
  EXPECT_THAT(Fields(section->rows),
              ElementsAreArray({"-disable-external-links",   "-disable-internal-links",
                                "-disable-javascript",       "-debug-javascript",
                                "-disable-smart-shrinking",  "-dpi <DPI>",
                                "-enable-plugins",           "-ignore-load-errors",
                                "-print-media-type",         "-proxy <proxy>",
                                "-quiet",                    "-read-args-from-stdin",
                                "-redirect-delay <msec>",    "-encoding <encoding>",
                                "-stop-slow-scripts",        "-username <username>",
                                "-password <password>",      "-zoom <float>",
                                "-f <int>",                  "-l <int>",
                                "-margin-bottom <unitreal>", "-margin-left <unitreal>",
                                "-margin-right <unitreal>",  "-margin-top <unitreal>",
                                "-minimum-font-size <int>",  "-no-background",
                                "-orientation <orientation>", "-page-height <unitreal>",
                                "-page-width <unitreal>",    "-page-size <size>"}));
  for (const Row& row : section->rows) EXPECT_THAT(row.subRows, IsEmpty()) << row.field;
}

TEST(UsageText, RowsOfThePdfSection) {
  const Section* section = FindSection(Text(), "For PDF only:");
  ASSERT_NE(section, nullptr);
  EXPECT_THAT(Fields(section->rows),
              ElementsAreArray({"-ownerpassword <passwd>", "-userpassword <passwd>",
                                "-key40bit",               "-key128bit",
                                "-permit <permissions>",   "-lowquality",
                                "-copies <number>",        "-collate",
                                "-cookie <name> <value>",  "-cookie-jar <path>",
                                "-custom-header <name> <value>", "-default-header",
                                "-replace <name> <value>", "-disable-pdf-compression",
                                "-allow <path>",           "-disallow-local-file-access",
                                "-forms",                  "-grayscale",
                                "-post <name> <value>",    "-post-file <name> <path>",
                                "-toc",                    "-user-style-sheet <url>",
                                "-title <text>"}));
  for (const Row& row : section->rows) {
    if (row.field == "-permit <permissions>") {
      EXPECT_THAT(Fields(row.subRows),
                  ElementsAreArray({"printing", "lowprinting", "modifycontents", "assembly", "copying",
                                    "screenreader", "modifyannot", "filling", "allowall"}));
    } else {
      EXPECT_THAT(row.subRows, IsEmpty()) << row.field;
    }
  }
}

TEST(UsageText, RowsOfTheOtherFormatsSection) {
  const Section* section = FindSection(Text(), "For others except PDF:");
  ASSERT_NE(section, nullptr);
  EXPECT_THAT(Fields(section->rows),
              ElementsAreArray({"-r <int>", "-xres <int>", "-yres <int>", "-w <int>", "-width <int>",
                                "-h <int>", "-height <int>", "-mono", "-gray", "-dither <int>",
                                "-compress <int>", "-quality <int>", "-multipage", "-aa <string>",
                                "-aavec <string>", "-aaVector <string>", "-forcebwtif", "-threshold <int>",
                                "-forcexdpi <int>", "-forceydpi <int>", "-tempname <string>", "-tempname1",
                                "-trimimage", "-rotate <int>", "-fixed <fp>", "-htmlmeta", "-enc <string>",
                                "-eol <string>", "-nopgbrk"}));
  for (const Row& row : section->rows) {
    if (row.field == "-dither <int>") {
      EXPECT_THAT(Fields(row.subRows), ElementsAreArray({"-dither 0", "-dither 1", "-dither 2", "-dither 3",
                                                         "-dither 4", "-dither 5", "-dither 6", "-dither 7"}));
    } else if (row.field == "-compress <int>") {
      EXPECT_THAT(Fields(row.subRows),
                  ElementsAreArray({"-compress 1", "-compress 2", "-compress 3", "-compress 4", "-compress 5",
                                    "-compress 6", "-compress 7", "-compress 8", "-compress 32773",
                                    "-compress 32809", "-compress 32946", "-compress 88880", "-compress 88881",
                                    "-compress 88882", "-compress 88883", "-compress 88884"}));
    } else {
      EXPECT_THAT(row.subRows, IsEmpty()) << row.field;
    }
  }
}

// Descriptions users and scripts know word for word, line by line.
TEST(UsageText, FixedDescriptionsAreVerbatim) {
  const std::map<std::string, std::vector<std::string>> fixed = {
      {"-page-size <size>", {"Set paper size to: A4, Letter, etc."}},
      {"-permit <permissions>", {"Apply permissions to the output PDF only if", "an owner password is given."}},
      {"allowall", {"Allow all the above permissions and high", "quality printing."}},
      {"-copies <number>", {"Copies of the original HTML contained in the", "output PDF file (default 1)."}},
      {"-dither <int>",
       {"Enable or disable dithering when reduce the", "number of bits per pixel to bit (1, 4 or 8)."}},
      {"-dither 0", {"Disable dithering."}},
      {"-dither 1", {"Floyd & Steinberg error diffusion."}},
      {"-compress <int>", {"Set compression to TIFF format:"}},
      {"-compress 1", {"NONE compression."}},
      {"-compress 2", {"CCITT modified Huffman RLE."}},
      {"-compress 3", {"CCITT Group 3 fax encoding (1D)."}},
      {"-compress 4", {"CCITT Group 4 fax encoding."}},
      {"-compress 5", {"LZW compression."}},
      {"-compress 6", {"OJPEG compression."}},
      {"-compress 7", {"JPEG DCT compression."}},
      {"-compress 8", {"ADOBE_DEFLATE compression."}},
      {"-compress 32773", {"PACKBITS compression."}},
      {"-compress 32809", {"THUNDERSCAN compression."}},
      {"-compress 32946", {"DEFLATE compression."}},
      {"-compress 88880", {"204x98  G4 ClassF TIFF."}},
      {"-compress 88881", {"204x196 G4 ClassF TIFF."}},
      {"-compress 88882", {"204x98  G3 ClassF TIFF."}},
      {"-compress 88883", {"204x196 G3 ClassF TIFF."}},
      {"-compress 88884", {"CCITT Group 3 fax encoding (2D)."}},
  };
  const std::map<std::string, const Row*> rows = RowsByField(Text());
  for (const auto& [field, description] : fixed) {
    const auto row = rows.find(field);
    ASSERT_NE(row, rows.end()) << field;
    EXPECT_THAT(row->second->description, ElementsAreArray(description)) << field;
  }
}

// What each description must state: defaults, value ranges, naming rules.
TEST(UsageText, DescriptionsStateDefaultsAndValues) {
  const std::vector<std::pair<std::string, std::string>> required = {
      {"-redirect-delay <msec>", "(default 200)"},
      {"-zoom <float>", "(default 1)"},
      {"-f <int>", "First page"},
      {"-l <int>", "Last page"},
      {"-margin-bottom <unitreal>", "(default 10 mm)"},
      {"-margin-left <unitreal>", "(default 10 mm)"},
      {"-margin-right <unitreal>", "(default 10 mm)"},
      {"-margin-top <unitreal>", "(default 10 mm)"},
      {"-minimum-font-size <int>", "(default 5)"},
      {"-orientation <orientation>", "Landscape"},
      {"-orientation <orientation>", "(default Portrait)"},
      {"-page-height <unitreal>", "(default unit millimeter)"},
      {"-page-width <unitreal>", "(default unit millimeter)"},
      {"-r <int>", "(default 150)"},
      {"-xres <int>", "(default 150)"},
      {"-yres <int>", "(default 150)"},
      {"-quality <int>", "JPEG"},
      {"-quality <int>", "0 to 100"},
      {"-aa <string>", "yes or no"},
      {"-aavec <string>", "yes or no"},
      {"-aaVector <string>", "(default 'yes')"},
      {"-tempname <string>", "Name template for the files of a multi-page output"},
      {"-tempname <string>", "<string>0001.<ext>"},
      {"-tempname1", "Number the files of a multi-page output from 1 without leading zeros"},
      {"-eol <string>", "unix, dos or mac"},
  };
  const std::map<std::string, const Row*> rows = RowsByField(Text());
  for (const auto& [field, words] : required) {
    const auto row = rows.find(field);
    ASSERT_NE(row, rows.end()) << field;
    EXPECT_THAT(Join(row->second->description), HasSubstr(words)) << field;
  }
}

TEST(UsageText, ExamplesShowTheOptionsInOrder) {
  const std::string kAny = "*";  // an example password
  const std::vector<std::vector<std::string>> expected = {
      {"-ownerpassword", kAny, "-userpassword", kAny, "-key128bit", "-permit", "printing", "modifyannot"},
      {"-collate"}, {"-copies", "3"}, {"-debug-javascript"}, {"-disable-external-links"},
      {"-disable-internal-links"}, {"-disable-javascript"}, {"-disable-pdf-compression"},
      {"-disable-smart-shrinking"}, {"-disallow-local-file-access"}, {"-dpi", "400"}, {"-enable-plugins"},
      {"-encoding", "UTF-8"}, {"-grayscale"}, {"-margin-bottom", "10"}, {"-margin-left", "10"},
      {"-margin-right", "10"}, {"-margin-top", "10"}, {"-no-background"}, {"-page-height", "100"},
      {"-page-width", "100"}, {"-redirect-delay", "20"}, {"-toc"}, {"-zoom", "4"}, {"-r", "200"},
      {"-xres", "150"}, {"-w", "100"}, {"-h", "100"}, {"-gray"}, {"-dither", "1"}, {"-compress", "2"},
      {"-multipage"}, {"-aa", "yes"}, {"-aavec", "yes"}, {"-forcebwtif"}, {"-forcexdpi", "200"},
      {"-forceydpi", "200"}, {"-tempname", "tempname"}, {"-tempname1"}, {"-trimimage"}, {"-rotate", "45"},
      {"-enc", "UTF-8"}, {"-nopgbrk"}};
  ASSERT_EQ(expected.size(), 43u);
  const std::vector<Example>& examples = Text().examples;
  ASSERT_EQ(examples.size(), 43u);
  for (std::size_t i = 0; i < examples.size(); ++i) {
    const std::vector<std::string>& words = examples[i].words;
    ASSERT_GE(words.size(), 4u) << "example " << i + 1;
    EXPECT_EQ(words.front(), "zemconv");
    const std::vector<std::string> args(words.begin() + 1, words.end() - 2);
    ASSERT_EQ(args.size(), expected[i].size()) << "example " << i + 1 << ": " << Join(words);
    for (std::size_t a = 0; a < args.size(); ++a) {
      if (expected[i][a] == kAny) {
        EXPECT_TRUE(!args[a].empty() && args[a].front() != '-') << "example password " << args[a];
      } else {
        EXPECT_EQ(args[a], expected[i][a]) << "example " << i + 1;
      }
    }
  }
  EXPECT_NE(examples[0].words[2], examples[0].words[4]) << "owner and user password should differ";
}

TEST(UsageText, ExamplesUseOneAddressAndNameTheirOutput) {
  const std::vector<Example>& examples = Text().examples;
  ASSERT_FALSE(examples.empty());
  ASSERT_GE(examples[0].words.size(), 4u);
  const std::string address = examples[0].words[examples[0].words.size() - 2];
  EXPECT_TRUE(address.rfind("https://", 0) == 0 || address.rfind("http://", 0) == 0) << address;

  // PDF for options of the general and PDF sections, TIFF for the TIFF-only
  // options, JPEG for the rest, text options included.
  std::set<std::string> pdfOptions;
  for (const char* heading : {"Options:", "For PDF only:"}) {
    const Section* section = FindSection(Text(), heading);
    ASSERT_NE(section, nullptr);
    for (const Row& row : section->rows) pdfOptions.insert(SplitWords(row.field).front());
  }
  const std::set<std::string> tiffOptions = {"-compress", "-multipage", "-forcebwtif"};
  for (const Example& example : examples) {
    ASSERT_GE(example.words.size(), 4u);
    const std::string& option = example.words[1];
    const std::string extension = tiffOptions.count(option) != 0  ? "tif"
                                  : pdfOptions.count(option) != 0 ? "pdf"
                                                                  : "jpg";
    EXPECT_EQ(example.words[example.words.size() - 2], address) << option;
    EXPECT_EQ(example.words.back(), "_" + option.substr(1) + "." + extension);
  }
}

TEST(UsageText, EndsWithTheLastExample) {
  const Usage& usage = Text();
  ASSERT_FALSE(usage.examples.empty());
  ASSERT_FALSE(usage.lines.empty());
  EXPECT_EQ(usage.lines.back(), usage.examples.back().commandLines.back());
}

// The checker itself must notice a broken text; each case breaks one rule.
TEST(UsageTextChecker, NoticesBrokenLayouts) {
  using Edit = std::function<void(std::vector<std::string>&)>;
  const auto lineStarting = [](std::vector<std::string>& lines, const std::string& start) -> std::string& {
    for (std::string& line : lines) {
      if (line.rfind(start, 0) == 0) return line;
    }
    ADD_FAILURE() << "no line starts with " << start;
    return lines.front();
  };
  const std::vector<std::pair<std::string, Edit>> cases = {
      {"tab", [](auto& lines) { lines[2] = "Zembra\tv 2.0"; }},
      {"not printable ASCII", [](auto& lines) { lines[2] += "\xc3\xa9"; }},
      {"longer than 77", [&](auto& lines) { lineStarting(lines, "  -quiet ") += std::string(50, 'x'); }},
      {"column 32", [&](auto& lines) { lineStarting(lines, "  -quiet ").insert(kFieldWidth, " "); }},
      {"column 32", [&](auto& lines) { lineStarting(lines, "  -toc ").erase(kFieldWidth - 1, 1); }},
      {"33-blank", [&](auto& lines) { lineStarting(lines, std::string(33, ' ')).erase(0, 1); }},
      {"trailing blank", [&](auto& lines) { lineStarting(lines, "  -gray ") += " "; }},
      {"sub-row without", [&](auto& lines) {
         std::string& row = lineStarting(lines, "  -disable-external-links ");
         row.insert(0, "  ");
         row.erase(kFieldWidth - 2, 2);
       }},
      {"not broken at the last blank", [&](auto& lines) {
         std::string& first = lineStarting(lines, "zemconv -disallow-local-file-access ");
         std::string& rest = lineStarting(lines, " _disallow-local-file-access.");
         const std::size_t cut = first.rfind(' ');
         rest = " " + first.substr(cut + 1) + rest;
         first.erase(cut);
       }},
      {"is not broken", [&](auto& lines) { lineStarting(lines, "zemconv -toc ") += std::string(40, 'x'); }},
      {"end with \":\"", [&](auto& lines) {
         std::size_t command = 1;
         while (command < lines.size() && lines[command].rfind("zemconv -toc ", 0) != 0) ++command;
         ASSERT_LT(command, lines.size());
         lines[command - 1].pop_back();  // the description line just above
       }},
      {"last example, not an empty line", [](auto& lines) { lines.push_back(""); }},
      {"separated by one empty line", [&](auto& lines) { lineStarting(lines, "zemconv -toc ") += "\n"; }},
  };
  for (const auto& [problem, edit] : cases) {
    std::vector<std::string> lines = SplitLines(USAGE_TEXT);
    edit(lines);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    EXPECT_THAT(Join(Parse(text).problems), HasSubstr(problem)) << "case: " << problem;
  }
}

TEST(Zemconv, WithoutArgumentsPrintsTheUsageTextAndSucceeds) {
  FILE* pipe = popen("'" ZEMBRA_BIN_DIR "/zemconv' 2>&1", "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
  const int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(output, std::string(USAGE_TEXT) + "\n");
}

}  // namespace
