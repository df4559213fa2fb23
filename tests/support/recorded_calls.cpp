#include "tests/support/recorded_calls.h"

#include "tests/support/files.h"

namespace zembra::testing {

std::vector<std::vector<std::string>> ReadRecordedCalls(const std::string& logPath) {
  std::vector<std::vector<std::string>> calls;
  const std::string log = ReadFile(logPath);
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::vector<std::string> words;
    std::string word;
    for (size_t i = start; i <= end; ++i) {
      if (i == end || log[i] == ' ') {
        words.push_back(word);
        word.clear();
      } else if (log[i] == '%' && i + 2 < end) {
        word += static_cast<char>(std::stoi(log.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        word += log[i];
      }
    }
    calls.push_back(words);
    start = end + 1;
  }
  return calls;
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace zembra::testing
