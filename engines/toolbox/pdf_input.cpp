#include "engines/toolbox/pdf_input.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QUtil.hh>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zembra::toolbox {

namespace {

enum class Outcome { kOpened, kWrongPassword, kFailed };

Outcome TryOpen(const std::string& path, const std::string* password, std::unique_ptr<QPDF>& pdf,
                std::string& detail) {
  auto candidate = std::make_unique<QPDF>();
  candidate->setSuppressWarnings(true);
  try {
    candidate->processFile(path.c_str(), password == nullptr ? nullptr : password->c_str());
  } catch (const QPDFExc& e) {
    detail = e.getMessageDetail();
    return e.getErrorCode() == qpdf_e_password ? Outcome::kWrongPassword : Outcome::kFailed;
  } catch (const std::exception& e) {
    detail = e.what();
    return Outcome::kFailed;
  }
  pdf = std::move(candidate);
  return Outcome::kOpened;
}

// The password as typed, then in PDFDocEncoding, which older files expect.
Outcome TryPassword(const std::string& path, const std::string& password, std::unique_ptr<QPDF>& pdf,
                    std::string& detail) {
  Outcome outcome = TryOpen(path, &password, pdf, detail);
  std::string legacy;
  if (outcome == Outcome::kWrongPassword && QUtil::utf8_to_pdf_doc(password, legacy) && legacy != password) {
    outcome = TryOpen(path, &legacy, pdf, detail);
  }
  return outcome;
}

}  // namespace

std::unique_ptr<QPDF> OpenPdf(const std::string& path, const std::string& what, PasswordSource& passwords,
                              std::vector<std::string>& warnings, std::string& error) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
    error = "cannot read the " + what + " " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "the " + what + " " + path + " is not a file";
    return nullptr;
  }

  std::unique_ptr<QPDF> pdf;
  std::string detail;
  Outcome outcome = passwords.password ? TryPassword(path, *passwords.password, pdf, detail)
                                       : TryOpen(path, nullptr, pdf, detail);
  if (outcome == Outcome::kWrongPassword && !passwords.password) {
    if (!passwords.prompt) {
      error = "the " + what + " " + path + " is encrypted: give its password with -inputpassword (or -prompt)";
      return nullptr;
    }
    std::optional<std::string> answer =
        passwords.ask ? passwords.ask("Password for " + path + ": ") : std::nullopt;
    if (!answer) {
      error = "the " + what + " " + path + " needs a password and there is no terminal to ask for it";
      return nullptr;
    }
    passwords.password = *answer;
    outcome = TryPassword(path, *answer, pdf, detail);
  }
  if (outcome == Outcome::kWrongPassword) {
    error = "wrong password for the " + what + " " + path;
    return nullptr;
  }
  if (outcome == Outcome::kFailed) {
    error = "cannot read the " + what + " " + path + ": not a PDF or damaged beyond repair (" + detail + ")";
    return nullptr;
  }
  const std::vector<QPDFExc> repairs = pdf->getWarnings();
  if (!repairs.empty()) {
    warnings.push_back("the " + what + " " + path + " is damaged and was repaired (" + std::to_string(repairs.size()) +
                       " problems; first: " + repairs.front().getMessageDetail() + ")");
  }
  return pdf;
}

}  // namespace zembra::toolbox
