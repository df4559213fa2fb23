// Opening a PDF for reading: the input and the overlay files, with a
// password from the command line or asked on the terminal.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPDF;

namespace zembra::toolbox {

struct PasswordSource {
  std::optional<std::string> password;  ///< -inputpassword
  bool prompt = false;                  ///< -prompt: ask when a password is needed and none was given
  /// Asks a person; nothing when no one can be asked.
  std::function<std::optional<std::string>(const std::string& question)> ask;
};

/// Reads the PDF at path. "what" names it in messages ("input", "overlay
/// file"). A password that was asked for is kept in the source for the next
/// file. Null with a one-line error when the file is missing, is no PDF, is
/// damaged beyond repair or the password is missing or wrong. Repairs that
/// were needed are reported as warnings.
std::unique_ptr<QPDF> OpenPdf(const std::string& path, const std::string& what, PasswordSource& passwords,
                              std::vector<std::string>& warnings, std::string& error);

}  // namespace zembra::toolbox
