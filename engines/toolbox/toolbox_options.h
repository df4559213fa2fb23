// The toolbox's command line, turned into a request: which document
// operations to run in which order, how to open the input and how to
// protect the output. Pure: reads nothing but the words.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zembra::toolbox {

/// Document operations and information requests, run in command-line order.
enum class Step {
  kCrossMerge,
  kCreateFdf,
  kFillForm,
  kUnderlay,
  kMulUnderlay,
  kOverlay,
  kMulOverlay,
  kGetInfo,
  kGetInfoUtf8,
  kOutFormData,
  kOutFormDataUtf8,
  kSetInfo,
  kSetInfoUtf8,
  kAttachFile,
  kDetachFile,
  kShowInfo,
  kRemoveXfa,
  kFlattenForm,
};

struct Operation {
  Step step;
  std::string value;  ///< the file of an overlay, the key of -showinfo; empty otherwise
};

enum class KeyChoice { kDefault, kRc4Bits40, kAes128 };

enum class StreamLayout { kKeep, kPack, kUnpack };

/// One permission a "-permit" keyword can grant.
enum class Permission {
  kPrinting,        ///< high quality printing (implies low quality)
  kLowPrinting,
  kModifyContents,
  kAssembly,
  kCopying,
  kScreenReader,
  kModifyAnnotations,
  kFilling,
  kAllowAll,
};

struct Request {
  std::string input;
  std::string output;
  std::vector<Operation> operations;
  bool split = false;  ///< one file per page; decides how the result is written
  std::optional<std::string> inputPassword;
  bool prompt = false;
  bool silent = false;
  StreamLayout layout = StreamLayout::kKeep;
  std::optional<std::string> ownerPassword;
  std::optional<std::string> userPassword;
  KeyChoice key = KeyChoice::kDefault;
  bool permit = false;                  ///< "-permit" was given
  std::vector<Permission> permissions;  ///< keywords in the order given
  bool help = false;
};

struct ParsedRequest {
  Request request;
  std::vector<std::string> warnings;  ///< ignored words, conflicting settings
  std::string error;                  ///< non-empty: the line cannot be run
};

/// Parses the words after the program name. Accepts the toolbox options in
/// lower and upper case, "-outfile", and the format converter's options,
/// which are taken with their values and ignored with a warning.
ParsedRequest ParseToolboxArguments(std::span<const std::string> words);

/// Whether the toolbox gives the forwarded token a meaning (for the test
/// that ties the front end's table to this parser).
bool ToolboxHandlesToken(std::string_view token);

/// The usage text, one line per option, derived from the option table.
std::string UsageText();

}  // namespace zembra::toolbox
