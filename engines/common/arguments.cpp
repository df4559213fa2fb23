#include "engines/common/arguments.h"

namespace zembra {

ParsedArguments ParseArguments(std::span<const std::string> words, std::span<const OptionSpec> specs,
                               size_t trailingOperands, size_t leadingOperands) {
  ParsedArguments parsed;
  const size_t optionEnd = words.size() > trailingOperands ? words.size() - trailingOperands : 0;
  size_t i = 0;
  while (i < optionEnd) {
    const std::string& word = words[i++];
    if (word.empty()) continue;
    if (word == kEndOfOptions) {
      for (; i < optionEnd; ++i) parsed.operands.push_back(words[i]);
      break;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& candidate : specs) {
      if (candidate.name == word) {
        spec = &candidate;
        break;
      }
    }
    if (spec == nullptr) {
      if (word.front() == '-' && parsed.operands.size() >= leadingOperands) {
        parsed.problems.push_back("unknown option " + word + " ignored");
        parsed.unknown.push_back(word);
      } else {
        parsed.operands.push_back(word);
      }
      continue;
    }
    if (optionEnd - i < static_cast<size_t>(spec->values)) {
      parsed.problems.push_back("option " + word + " needs " + std::to_string(spec->values) +
                                (spec->values == 1 ? " value" : " values") + "; ignored");
      i = optionEnd;
      continue;
    }
    ParsedOption option{word, {}};
    for (int v = 0; v < spec->values; ++v) option.values.push_back(words[i++]);
    parsed.options.push_back(std::move(option));
  }
  for (size_t j = optionEnd; j < words.size(); ++j) parsed.operands.push_back(words[j]);
  return parsed;
}

}  // namespace zembra
