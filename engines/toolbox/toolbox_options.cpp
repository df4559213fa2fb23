#include "engines/toolbox/toolbox_options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "engines/common/arguments.h"
#include "engines/common/files.h"
#include "passes/option_row.h"

namespace zembra::toolbox {

namespace {

// What the toolbox does with each token the front end forwards. Keyed by the
// forwarded (lower-case) form from ToolboxOptionTable(); a test checks that
// every row of that table has exactly one entry here.
enum class Kind { kStep, kSplit, kInputPassword, kPrompt, kSilent, kPack, kUnpack,
                  kKey40, kKey128, kPermit, kKeyword, kOwnerPassword, kUserPassword };

struct Action {
  std::string_view token;
  Kind kind;
  std::optional<Step> step;              ///< set for kStep only
  std::optional<Permission> permission;  ///< set for kKeyword only
  std::string_view help;
};

constexpr std::nullopt_t kNoStep = std::nullopt;
constexpr std::nullopt_t kNoPermission = std::nullopt;

constexpr Action kActions[] = {
    {"-crossmerge", Kind::kStep, Step::kCrossMerge, kNoPermission,
     "interleave the first half of the pages with the second half in reverse order"},
    {"-split", Kind::kSplit, kNoStep, kNoPermission, "write one PDF per page: out0001.pdf, out0002.pdf..."},
    {"-createfdf", Kind::kStep, Step::kCreateFdf, kNoPermission, "write the form data to the output's name with .fdf"},
    {"-fillform", Kind::kStep, Step::kFillForm, kNoPermission,
     "fill the form from the input's or the output's name with .fdf"},
    {"-underlay", Kind::kStep, Step::kUnderlay, kNoPermission, "F: the first page of F under every page"},
    {"-mulunderlay", Kind::kStep, Step::kMulUnderlay, kNoPermission, "F: page i of F under page i"},
    {"-overlay", Kind::kStep, Step::kOverlay, kNoPermission, "F: the first page of F over every page"},
    {"-muloverlay", Kind::kStep, Step::kMulOverlay, kNoPermission, "F: page i of F over page i"},
    {"-getinfo", Kind::kStep, Step::kGetInfo, kNoPermission, "print the document information (Latin-1)"},
    {"-getinfoutf8", Kind::kStep, Step::kGetInfoUtf8, kNoPermission, "print the document information (UTF-8)"},
    {"-outformdata", Kind::kStep, Step::kOutFormData, kNoPermission, "print form field names and values (Latin-1)"},
    {"-outformdatautf8", Kind::kStep, Step::kOutFormDataUtf8, kNoPermission,
     "print form field names and values (UTF-8)"},
    {"-setinfo", Kind::kStep, Step::kSetInfo, kNoPermission, "set document information from Key=Value lines on stdin (Latin-1)"},
    {"-setinfoutf8", Kind::kStep, Step::kSetInfoUtf8, kNoPermission,
     "set document information from Key=Value lines on stdin (UTF-8)"},
    {"-attachfile", Kind::kStep, Step::kAttachFile, kNoPermission, "attach the files named on stdin, one per line"},
    {"-detachfile", Kind::kStep, Step::kDetachFile, kNoPermission, "write every attachment into the output's directory"},
    {"-inputpassword", Kind::kInputPassword, kNoStep, kNoPermission, "P: password of an encrypted input"},
    {"-showinfo", Kind::kStep, Step::kShowInfo, kNoPermission, "KEY: print one item of the document information"},
    {"-silent", Kind::kSilent, kNoStep, kNoPermission, "no messages but errors"},
    {"-prompt", Kind::kPrompt, kNoStep, kNoPermission, "ask for the input's password on the terminal when needed"},
    {"-removexfa", Kind::kStep, Step::kRemoveXfa, kNoPermission, "remove XFA form data"},
    {"-flattenform", Kind::kStep, Step::kFlattenForm, kNoPermission, "turn form fields into page content"},
    {"-pack", Kind::kPack, kNoStep, kNoPermission, "object streams and compressed streams: smallest file"},
    {"-unpack", Kind::kUnpack, kNoStep, kNoPermission, "no object streams, uncompressed streams"},
    {"-key40bit", Kind::kKey40, kNoStep, kNoPermission, "encrypt with RC4 40-bit"},
    {"-key128bit", Kind::kKey128, kNoStep, kNoPermission, "encrypt with AES 128-bit (default with a password: AES 256-bit)"},
    {"-permit", Kind::kPermit, kNoStep, kNoPermission,
     "grant the permission keywords that follow (none: all); needs -ownerpassword"},
    {"printing", Kind::kKeyword, kNoStep, Permission::kPrinting, "keyword: high quality printing"},
    {"lowprinting", Kind::kKeyword, kNoStep, Permission::kLowPrinting, "keyword: low quality printing"},
    {"modifycontents", Kind::kKeyword, kNoStep, Permission::kModifyContents, "keyword: modifying contents"},
    {"assembly", Kind::kKeyword, kNoStep, Permission::kAssembly, "keyword: document assembly"},
    {"copying", Kind::kKeyword, kNoStep, Permission::kCopying, "keyword: copying"},
    {"screenreader", Kind::kKeyword, kNoStep, Permission::kScreenReader, "keyword: screen readers"},
    {"modifyannot", Kind::kKeyword, kNoStep, Permission::kModifyAnnotations, "keyword: adding annotations"},
    {"filling", Kind::kKeyword, kNoStep, Permission::kFilling, "keyword: filling in forms"},
    {"allowall", Kind::kKeyword, kNoStep, Permission::kAllowAll, "keyword: all of the above"},
    {"-ownerpassword", Kind::kOwnerPassword, kNoStep, kNoPermission, "P: owner password of the output"},
    {"-userpassword", Kind::kUserPassword, kNoStep, kNoPermission, "P: user password of the output"},
};

constexpr std::string_view kOutfile = "-outfile";
constexpr std::string_view kOutfileUpper = "-OUTFILE";
constexpr std::string_view kHelp = "--help";

const Action* FindAction(std::string_view token) {
  for (const Action& action : kActions) {
    if (action.token == token) return &action;
  }
  return nullptr;
}

bool IsConverterOption(std::string_view name) {
  for (const OptionRow& row : ConverterOptionTable()) {
    if (row.typed != nullptr && name == row.typed) return true;
    if (row.forwarded != nullptr && name == row.forwarded) return true;
  }
  return false;
}

// Specs from the front end's tables, so names and value counts are spelled once.
std::vector<OptionSpec> BuildSpecs() {
  std::vector<OptionSpec> specs;
  for (const OptionRow& row : ToolboxOptionTable()) {
    specs.push_back({row.forwarded, row.values});
    if (row.typedUpper != nullptr) specs.push_back({row.typedUpper, row.values});
  }
  specs.push_back({kOutfile, 1});
  specs.push_back({kOutfileUpper, 1});
  for (const OptionRow& row : ConverterOptionTable()) {
    // "-quality" goes to the renderer, but a person may type it here too.
    if (row.destination == DEST_POST) specs.push_back({row.forwarded, row.values});
    else if (row.typed != nullptr) specs.push_back({row.typed, row.values});
  }
  specs.push_back({kHelp, 0});
  return specs;
}

}  // namespace

ParsedRequest ParseToolboxArguments(std::span<const std::string> words) {
  static const std::vector<OptionSpec> specs = BuildSpecs();
  // The input is the first word that is no option, even when it starts with
  // "-": zemconv names its intermediate PDF after the output, so the output
  // -x.pdf gives the input -xtemp.pdf.
  const ParsedArguments parsed = ParseArguments(words, specs, 0, 1);
  ParsedRequest result;
  Request& request = result.request;
  result.warnings = parsed.problems;

  bool outfileSeen = false;
  std::vector<std::string> ignoredConverterOptions;
  for (const ParsedOption& option : parsed.options) {
    if (option.name == kHelp) {
      request.help = true;
      continue;
    }
    if (option.name == kOutfile || option.name == kOutfileUpper) {
      if (outfileSeen) {
        result.error = "-outfile given twice";
        return result;
      }
      outfileSeen = true;
      request.output = option.values.front();
      continue;
    }
    const Action* action = IsConverterOption(option.name) ? nullptr : FindAction(AsciiLower(option.name));
    if (action == nullptr) {
      // Only the format converter's options are left; they mean nothing for a PDF.
      if (std::find(ignoredConverterOptions.begin(), ignoredConverterOptions.end(), option.name) ==
          ignoredConverterOptions.end()) {
        ignoredConverterOptions.push_back(option.name);
        result.warnings.push_back("option " + option.name + " does not apply to a PDF output; ignored");
      }
      continue;
    }
    const std::string value = option.values.empty() ? std::string() : option.values.front();
    switch (action->kind) {
      case Kind::kStep:
        request.operations.push_back({*action->step, value});
        break;
      case Kind::kSplit:
        request.split = true;
        break;
      case Kind::kInputPassword:
        request.inputPassword = value;
        break;
      case Kind::kPrompt:
        request.prompt = true;
        break;
      case Kind::kSilent:
        request.silent = true;
        break;
      case Kind::kPack:
      case Kind::kUnpack: {
        const StreamLayout layout = action->kind == Kind::kPack ? StreamLayout::kPack : StreamLayout::kUnpack;
        if (request.layout != StreamLayout::kKeep && request.layout != layout) {
          result.warnings.push_back("-pack and -unpack both given; the last one counts");
        }
        request.layout = layout;
        break;
      }
      case Kind::kKey40:
      case Kind::kKey128: {
        const KeyChoice key = action->kind == Kind::kKey40 ? KeyChoice::kRc4Bits40 : KeyChoice::kAes128;
        if (request.key != KeyChoice::kDefault && request.key != key) {
          result.warnings.push_back("-key40bit and -key128bit both given; the last one counts");
        }
        request.key = key;
        break;
      }
      case Kind::kPermit:
        request.permit = true;
        break;
      case Kind::kKeyword:
        request.permissions.push_back(*action->permission);
        break;
      case Kind::kOwnerPassword:
        request.ownerPassword = value;
        break;
      case Kind::kUserPassword:
        request.userPassword = value;
        break;
    }
  }
  if (request.help) return result;

  if (parsed.operands.empty()) {
    result.error = "no input PDF given (zemkit.lib --help lists the options)";
    return result;
  }
  if (parsed.operands.size() > 1) {
    result.error = "more than one input given: " + parsed.operands[0] + ", " + parsed.operands[1];
    return result;
  }
  request.input = parsed.operands.front();
  if (!outfileSeen || request.output.empty()) {
    result.error = "no output file given (-outfile PATH)";
    return result;
  }
  if (!request.permissions.empty() && !request.permit) {
    result.warnings.push_back("permission keywords without -permit; taken as if -permit had been given");
    request.permit = true;
  }
  return result;
}

std::string UsageText() {
  std::string text =
      "usage: zemkit.lib [options] INPUT.pdf [document operations] -outfile OUTPUT.pdf [security options]\n"
      "Options are accepted in lower case and in upper case. The first word that is no option is\n"
      "the input, even one that starts with \"-\"; \"--\" ends the options.\n";
  for (const OptionRow& row : ToolboxOptionTable()) {
    const Action* action = FindAction(row.forwarded);
    std::string_view help = action != nullptr ? action->help : "";
    std::string line = std::string("  ") + row.forwarded;
    if (row.values > 0) {
      // Help of an option with a value starts with the value's name: "F: ...".
      const size_t colon = help.find(": ");
      line += " " + std::string(colon == std::string_view::npos ? "VALUE" : help.substr(0, colon));
      if (colon != std::string_view::npos) help.remove_prefix(colon + 2);
    }
    line.resize(std::max<size_t>(line.size() + 2, 22), ' ');
    text += line + std::string(help) + "\n";
  }
  text +=
      "Without -permit, an owner password grants no permission; with AES the screen reader\n"
      "permission is always granted. -fillform reads INPUT.fdf, or else OUTPUT.fdf (through\n"
      "zemconv the input is an intermediate file, so place the FDF beside the output).\n"
      "Standard input feeds -setinfo and -attachfile. The format converter's options are\n"
      "accepted and ignored. ZEMBRA_DETERMINISTIC=1 fixes document IDs (for tests only).\n";
  return text;
}

/// For the test that ties the table to the actions.
bool ToolboxHandlesToken(std::string_view token) { return FindAction(token) != nullptr; }

}  // namespace zembra::toolbox
