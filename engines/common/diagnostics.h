// Messages of a sibling tool: one line each on standard error, prefixed with
// the tool's name, and appended to the file named by ZEMBRA_LOG when set
// (the front end drops what its tools print).
#pragma once

#include <string>
#include <string_view>

namespace zembra {

class Diagnostics {
 public:
  explicit Diagnostics(std::string toolName);

  /// Warnings and notes are dropped when quiet; errors never are.
  void setQuiet(bool quiet) { quiet_ = quiet; }
  bool quiet() const { return quiet_; }

  void note(std::string_view message) const;
  void warn(std::string_view message) const;
  void error(std::string_view message) const;

  const std::string& toolName() const { return toolName_; }

 private:
  void emit(std::string_view message) const;

  std::string toolName_;
  bool quiet_ = false;
};

}  // namespace zembra
