#include "engines/toolbox/attachments.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <sys/stat.h>

#include <optional>
#include <set>
#include <string_view>

#include "engines/common/files.h"

namespace zembra::toolbox {

namespace {

// The last part of a name stored in a PDF; such names may come from any
// system, so a backslash separates too.
std::string StoredFileName(const std::string& name) {
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

bool AttachFiles(QPDF& pdf, std::istream& paths, int& attached, std::string& error) {
  // Read every file first so that a missing one leaves the document untouched.
  std::vector<std::pair<std::string, std::string>> files;  // name, content
  std::string line;
  while (std::getline(paths, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::optional<std::string> data = ReadWholeFile(line, error);
    if (!data) {
      error = "cannot attach: " + error;
      return false;
    }
    files.emplace_back(BaseName(line), std::move(*data));
  }
  QPDFEmbeddedFileDocumentHelper embedded(pdf);
  for (auto& [name, data] : files) {
    std::string key = name;
    for (int n = 2; embedded.getEmbeddedFile(key) != nullptr; ++n) {
      const size_t dot = name.rfind('.');
      key = dot == std::string::npos || dot == 0 ? name + "-" + std::to_string(n)
                                                 : name.substr(0, dot) + "-" + std::to_string(n) + name.substr(dot);
    }
    QPDFEFStreamObjectHelper stream = QPDFEFStreamObjectHelper::createEFStream(pdf, data);
    QPDFFileSpecObjectHelper fileSpec = QPDFFileSpecObjectHelper::createFileSpec(pdf, key, stream);
    embedded.replaceEmbeddedFile(key, fileSpec);
    ++attached;
  }
  return true;
}

bool DetachFiles(QPDF& pdf, const std::string& directory, OutputSet& outputs, std::vector<std::string>& warnings,
                 std::string& error) {
  QPDFEmbeddedFileDocumentHelper embedded(pdf);
  std::set<std::string> taken;
  for (auto& [key, fileSpec] : embedded.getEmbeddedFiles()) {
    std::string name = StoredFileName(fileSpec->getFilename());
    if (name.empty() || name == "." || name == "..") name = StoredFileName(key);
    if (name.empty() || name == "." || name == "..") {
      warnings.push_back("attachment " + key + " has no usable file name; not written");
      continue;
    }
    const std::string target = (directory.empty() ? std::string() : directory + "/") + name;
    struct stat info;
    if (::lstat(target.c_str(), &info) == 0 || !taken.insert(target).second) {
      warnings.push_back("attachment " + key + " not written: " + target + " exists");
      continue;
    }
    QPDFObjectHandle stream = fileSpec->getEmbeddedFileStream();
    if (!stream.isStream()) {
      warnings.push_back("attachment " + key + " has no content; not written");
      continue;
    }
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_all);
    const std::optional<size_t> output = outputs.AddOptional(target, error);
    if (!output) return false;
    const std::string_view bytes(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    if (!WriteWholeFile(outputs.path(*output), bytes, error)) return false;
  }
  return true;
}

}  // namespace zembra::toolbox
