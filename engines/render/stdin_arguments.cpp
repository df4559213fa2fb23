#include "engines/render/stdin_arguments.h"

namespace zembra::render {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (const char c : line) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      else word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::vector<std::string> WithWordsOfLine(std::span<const std::string> words, const std::string& line) {
  std::vector<std::string> all(words.begin(), words.end());
  const std::vector<std::string> more = SplitWords(line);
  all.insert(all.size() >= 2 ? all.end() - 2 : all.begin(), more.begin(), more.end());
  return all;
}

}  // namespace zembra::render
