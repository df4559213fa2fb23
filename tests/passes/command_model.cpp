#include "tests/passes/command_model.h"

#include <cctype>
#include <cstring>
#include <span>

#include "passes/conversion_pass.h"
#include "passes/option_row.h"
#include "tests/support/recorded_calls.h"

namespace zembra::testing {

namespace {

struct Texts {
  std::vector<Piece> renderer, post, operations, security;
  std::string temp;
  bool tempSet = false;
};

std::vector<Piece>& Destination(Texts& texts, OptionDestination destination) {
  switch (destination) {
    case DEST_TOOLBOX_OPERATIONS: return texts.operations;
    case DEST_TOOLBOX_SECURITY: return texts.security;
    case DEST_RENDERER: return texts.renderer;
    default: return texts.post;
  }
}

bool Accepts(const OptionRow& row, const std::string& text) {
  if (text.empty()) return row.matchesEmpty;
  return text == row.typed || (row.typedUpper != nullptr && text == row.typedUpper);
}

// Walks one table: per group, the first accepting row runs.
void Walk(std::span<const OptionRow> rows, const std::vector<std::string>& argv, size_t& index, std::string& current,
          bool& matched, Texts& texts) {
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0 && rows[r].group == rows[r - 1].group) continue;  // only group starts
    for (size_t k = r; k < rows.size() && rows[k].group == rows[r].group; ++k) {
      if (!Accepts(rows[k], current)) continue;
      auto& out = Destination(texts, rows[k].destination);
      out.push_back({rows[k].forwarded, true});
      for (int v = 0; v < rows[k].values && index + 1 < argv.size(); ++v) {
        current = argv[++index];
        out.push_back({current, true});
      }
      matched = true;
      break;
    }
  }
}

std::string TempFor(const std::string& output) {
  const size_t dot = output.rfind('.');
  return output.substr(0, dot == std::string::npos ? output.size() : dot) + "temp.pdf";
}

}  // namespace

std::optional<std::vector<Piece>> ModelCommand(const std::vector<std::string>& argv, int mode) {
  if (argv.size() < 3) return std::nullopt;
  const size_t argc = argv.size();
  const std::string& output = argv[argc - 1];
  Texts texts;
  const auto converter = ConverterOptionTable();
  const auto convertGroups12 = converter.first(converter.size() - 1);

  for (size_t index = 1; index < argc; ++index) {
    if (index == argc - 2) {
      if (mode == PASS_RENDER_PDF || mode == PASS_RENDER_FOR_CONVERT) texts.renderer.push_back({argv[index], true});
      texts.temp = TempFor(output);
      texts.tempSet = true;
      if (mode == PASS_CONVERT) {
        texts.post.push_back({texts.temp, true});
        texts.post.push_back({output, true});
      }
      ++index;
      continue;
    }
    const std::string atStart = argv[index];
    std::string current = atStart;
    bool matched = false;
    Walk(ToolboxOptionTable(), argv, index, current, matched, texts);
    Walk(RendererOptionTable(), argv, index, current, matched, texts);
    Walk(convertGroups12, argv, index, current, matched, texts);
    if (current.empty() || current == "-nopgbrk") {
      texts.post.push_back({"-nopgbrk", true});
      if (current.empty()) {
        for (int i = 0; i < 10; ++i) texts.post.push_back({"", true});
        texts.renderer.push_back({"error", false});
      }
    } else if (!matched) {
      texts.renderer.push_back({atStart, false});
    }
  }

  const size_t slash = argv[0].rfind('/');
  const std::string directory = slash == std::string::npos ? "" : argv[0].substr(0, slash + 1);
  const bool toolboxWork = !texts.operations.empty() || !texts.security.empty();
  std::vector<Piece> command;
  auto append = [&command](const std::vector<Piece>& pieces) {
    command.insert(command.end(), pieces.begin(), pieces.end());
  };
  switch (mode) {
    case PASS_RENDER_PDF:
    case PASS_RENDER_FOR_CONVERT:
      command.push_back({directory + "zemrender.lib", true});
      append(texts.renderer);
      command.push_back({mode == PASS_RENDER_PDF && !toolboxWork ? output : texts.temp, true});
      return command;
    case PASS_CONVERT:
      command.push_back({directory + "zemexport.lib", true});
      command.push_back({"-call", true});
      append(texts.post);
      return command;
    case PASS_TOOLBOX:
      if (!toolboxWork) return std::nullopt;
      command.push_back({directory + "zemkit.lib", true});
      append(texts.post);
      command.push_back({texts.temp, true});
      append(texts.operations);
      command.push_back({"-outfile", true});
      command.push_back({output, true});
      append(texts.security);
      return command;
    default:
      return std::nullopt;
  }
}

std::vector<std::string> WordsOf(const std::vector<Piece>& pieces) {
  std::vector<std::string> words;
  std::string raw;  // consecutive raw pieces join into one text
  for (const Piece& piece : pieces) {
    if (piece.quoted) {
      for (std::string& word : SplitAtBlanks(raw)) words.push_back(std::move(word));
      raw.clear();
      words.push_back(piece.text);
    } else {
      raw += piece.text;
    }
  }
  for (std::string& word : SplitAtBlanks(raw)) words.push_back(std::move(word));
  return words;
}

std::optional<std::vector<std::string>> StrictShellWords(const std::string& command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < command.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(command[i]);
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '\\') {
      if (i + 1 >= command.size() || command[i + 1] == '\n') return std::nullopt;
      word += command[++i];
      inWord = true;
    } else if (c == '"') {
      inWord = true;
      for (++i;; ++i) {
        if (i >= command.size()) return std::nullopt;
        const char q = command[i];
        if (q == '"') break;
        if (q == '$' || q == '`') return std::nullopt;
        if (q == '\\' && i + 1 < command.size() && std::strchr("$`\"\\\n", command[i + 1]) != nullptr) {
          if (command[i + 1] == '\n') return std::nullopt;
          word += command[++i];
        } else {
          word += q;
        }
      }
    } else if (c >= 0x80 || std::isalnum(c) || std::strchr("-_./,:@%+=", c) != nullptr) {
      word += static_cast<char>(c);
      inWord = true;
    } else {
      return std::nullopt;  // newline, ; | & < > ( ) $ ` ' * ? [ # ~ { } ! and the like
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace zembra::testing
