#include "engines/render/render_arguments.h"

#include <algorithm>

#include "engines/common/arguments.h"
#include "engines/render/option_table.h"

namespace zembra::render {

namespace {

// The renderer's specs, plus every word that looks like an option but is
// none of ours as an option without values: the parser then hands those
// back in their place among the options, as data, instead of as a problem
// sentence. Taking no values, they change nothing else it does.
std::vector<OptionSpec> SpecsWithForeignOptions(std::span<const std::string> words) {
  std::vector<OptionSpec> specs = RenderOptionSpecs();
  for (const std::string& word : words) {
    const bool known =
        std::any_of(specs.begin(), specs.end(), [&](const OptionSpec& spec) { return spec.name == word; });
    if (!known && !word.empty() && word.front() == '-') specs.push_back({word, 0});
  }
  return specs;
}

}  // namespace

ParseResult ParseRenderArguments(std::span<const std::string> words) {
  ParseResult result;
  const std::vector<OptionSpec> specs = SpecsWithForeignOptions(words);
  const ParsedArguments parsed = ParseArguments(words, specs, 2);
  // "--readme" alone (or with one word) still prints the manual.
  if (words.size() < 3) {
    for (const ParsedOption& option : ParseArguments(words, specs, 0).options)
      if (option.name == "--readme") result.options.readme = true;
  }
  result.warnings = parsed.problems;  // options without enough values
  std::vector<std::string> unknown;
  for (const ParsedOption& option : parsed.options) {
    const OptionEntry* entry = FindOption(option.name);
    if (entry == nullptr) {
      unknown.push_back(option.name);
      continue;
    }
    const std::string problem = entry->apply(result.options, option.values);
    if (!problem.empty()) {
      result.warnings.push_back("option " + option.name + ": " + problem + "; ignored");
    }
  }
  if (parsed.operands.size() < 2) {
    if (!result.options.readme) result.error = "usage: zemrender.lib [options] <input> <pdf>";
  } else {
    result.options.input = parsed.operands[parsed.operands.size() - 2];
    result.options.output = parsed.operands.back();
    // zemconv's intermediate PDF (<output>temp.pdf) goes on to the export,
    // whose documents keep the page's structure from the tags.
    const std::string& output = result.options.output;
    if (output.ends_with("temp.pdf")) result.options.page.tagged = true;
    unknown.insert(unknown.end(), parsed.operands.begin(), parsed.operands.end() - 2);
  }
  if (result.options.load.javascriptDelayMs.value_or(kDefaultJavascriptDelayMs) >= result.options.load.timeoutSeconds * 1000)
    result.warnings.push_back("the JavaScript delay is not shorter than the timeout; the page will time out");
  if (!unknown.empty()) {
    std::string line = unknown.size() == 1 ? "unknown word ignored:" : "unknown words ignored:";
    for (const std::string& word : unknown) line += " \"" + word + "\"";
    result.warnings.push_back(line);
  }
  if (result.options.input.empty() && result.error.empty() && !result.options.readme)
    result.error = "no input given";
  if (result.options.output.empty() && result.error.empty() && !result.options.readme)
    result.error = "no output file given";
  return result;
}

}  // namespace zembra::render
