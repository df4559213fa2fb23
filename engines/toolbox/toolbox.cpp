#include "engines/toolbox/toolbox.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "engines/common/files.h"
#include "engines/common/output_set.h"
#include "engines/toolbox/attachments.h"
#include "engines/toolbox/document_info.h"
#include "engines/toolbox/form_data.h"
#include "engines/toolbox/page_operations.h"
#include "engines/toolbox/pdf_input.h"
#include "engines/toolbox/pdf_output.h"
#include "engines/toolbox/security.h"
#include "engines/toolbox/structure_tags.h"

namespace zembra::toolbox {

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

bool ReadsStandardInput(Step step) {
  return step == Step::kSetInfo || step == Step::kSetInfoUtf8 || step == Step::kAttachFile;
}

class Run {
 public:
  Run(const Request& request, ToolboxIo& io, Messages& messages)
      : request_(request), io_(io), messages_(messages) {}

  bool Execute(std::string& error);  ///< ExecuteSteps, its error naming the output files as given

 private:
  bool ExecuteSteps(std::string& error);
  bool Apply(const Operation& operation, std::string& error);
  bool Stamp(const Operation& operation, std::string& error);
  bool CreateFdf(std::string& error);
  bool FillForm(std::string& error);
  void ShowInfo(const std::string& key);
  void ReportRepairs();

  const Request& request_;
  ToolboxIo& io_;
  Messages& messages_;
  PasswordSource passwords_;
  std::unique_ptr<QPDF> pdf_;
  std::vector<std::unique_ptr<QPDF>> stampSources_;  // copied pages read from them when writing
  OutputSet outputs_;  // the PDF or the pages of a split, the FDF file, detached attachments (optional)
};

bool Run::ExecuteSteps(std::string& error) {
  if (!request_.split && Exists(request_.output)) {
    error = "the output file exists: " + request_.output;
    return false;
  }
  if (std::count_if(request_.operations.begin(), request_.operations.end(),
                    [](const Operation& op) { return ReadsStandardInput(op.step); }) > 1) {
    error = "standard input can feed only one of -setinfo, -setinfoutf8 and -attachfile";
    return false;
  }
  WriteSettings settings;
  settings.layout = request_.layout;
  settings.security = PlanSecurity(request_, messages_.warnings);
  settings.deterministic = DeterministicRequested();

  passwords_.password = request_.inputPassword;
  passwords_.prompt = request_.prompt;
  passwords_.ask = io_.ask;
  pdf_ = OpenPdf(request_.input, "input", passwords_, messages_.warnings, error);
  if (pdf_ == nullptr) return false;
  if (IsIntermediateOf(request_.input, request_.output)) DropStructureTags(*pdf_);

  try {
    for (const Operation& operation : request_.operations) {
      if (!Apply(operation, error)) return false;
    }
    const bool written = request_.split ? WriteSplit(*pdf_, request_.output, settings, outputs_, error)
                                        : WriteDocument(*pdf_, request_.output, settings, outputs_, error);
    if (!written) return false;
  } catch (const QPDFExc& e) {
    error = "cannot process the input " + request_.input + ": " + e.getMessageDetail();
    return false;
  } catch (const std::exception& e) {
    error = "cannot process the input " + request_.input + ": " + e.what();
    return false;
  }
  // What the information options printed is part of the result: when it
  // could not be written (a full disk, a closed pipe), the run failed.
  if (!io_.out.flush()) {
    error = "cannot write to standard output";
    return false;
  }
  ReportRepairs();
  std::vector<std::string> skipped;
  const bool published = outputs_.Publish(error, &skipped);
  for (const std::string& problem : skipped) messages_.warnings.push_back("attachment not written: " + problem);
  return published;
}

bool Run::Execute(std::string& error) {
  if (ExecuteSteps(error)) return true;
  error = outputs_.InTargetNames(error);
  return false;
}

bool Run::Apply(const Operation& operation, std::string& error) {
  QPDF& pdf = *pdf_;
  switch (operation.step) {
    case Step::kCrossMerge:
      CrossMerge(pdf);
      return true;
    case Step::kCreateFdf:
      return CreateFdf(error);
    case Step::kFillForm:
      return FillForm(error);
    case Step::kUnderlay:
    case Step::kMulUnderlay:
    case Step::kOverlay:
    case Step::kMulOverlay:
      return Stamp(operation, error);
    case Step::kGetInfo:
    case Step::kGetInfoUtf8:
      io_.out << FormatInfo(ReadInfo(pdf), operation.step == Step::kGetInfoUtf8);
      return true;
    case Step::kShowInfo:
      ShowInfo(operation.value);
      return true;
    case Step::kOutFormData:
    case Step::kOutFormDataUtf8:
      io_.out << FormatFieldValues(ReadFieldValues(pdf), operation.step == Step::kOutFormDataUtf8);
      return true;
    case Step::kSetInfo:
    case Step::kSetInfoUtf8: {
      const int changed = SetInfoFromLines(pdf, io_.in, operation.step == Step::kSetInfoUtf8, messages_.warnings);
      messages_.notes.push_back("document information: " + std::to_string(changed) + " entries set");
      return true;
    }
    case Step::kAttachFile: {
      int attached = 0;
      if (!AttachFiles(pdf, io_.in, attached, error)) return false;
      if (attached == 0) messages_.warnings.push_back("-attachfile: no file names on standard input");
      return true;
    }
    case Step::kDetachFile:
      return DetachFiles(pdf, DirectoryName(request_.output), outputs_, messages_.warnings, error);
    case Step::kRemoveXfa:
      if (!RemoveXfa(pdf)) messages_.notes.push_back("-removexfa: the document has no XFA data");
      return true;
    case Step::kFlattenForm:
      if (FlattenForm(pdf) == 0) messages_.notes.push_back("-flattenform: the document has no form fields");
      return true;
  }
  return true;
}

bool Run::Stamp(const Operation& operation, std::string& error) {
  const bool over = operation.step == Step::kOverlay || operation.step == Step::kMulOverlay;
  const bool perPage = operation.step == Step::kMulOverlay || operation.step == Step::kMulUnderlay;
  const std::string what = over ? "overlay file" : "underlay file";
  if (operation.value.empty()) {
    error = "no " + what + " given";
    return false;
  }
  std::unique_ptr<QPDF> source = OpenPdf(operation.value, what, passwords_, messages_.warnings, error);
  if (source == nullptr) return false;
  std::string problem;
  if (!StampPages(*pdf_, *source, over ? Placement::kOver : Placement::kUnder, perPage, problem)) {
    error = "the " + what + " " + operation.value + " " + problem;
    return false;
  }
  stampSources_.push_back(std::move(source));
  return true;
}

bool Run::CreateFdf(std::string& error) {
  const std::string target = FdfPathFor(request_.output);
  if (Exists(target)) {
    error = "the FDF file exists: " + target;
    return false;
  }
  const std::optional<size_t> output = outputs_.Add(target, error);
  return output && WriteWholeFile(outputs_.path(*output), BuildFdf(*pdf_, BaseName(request_.output)), error);
}

bool Run::FillForm(std::string& error) {
  const std::vector<std::string> candidates = FillFormCandidates(request_);
  for (const std::string& path : candidates) {
    if (!Exists(path)) continue;
    const std::optional<std::string> text = ReadWholeFile(path, error);
    if (!text) return false;
    FillResult result;
    std::string problem;
    if (!FillFromFdf(*pdf_, *text, result, problem)) {
      error = "the FDF file " + path + " is " + problem;
      return false;
    }
    for (const std::string& name : result.unknownFields) {
      messages_.warnings.push_back("-fillform: the document has no field " + name);
    }
    messages_.notes.push_back("-fillform: " + std::to_string(result.filled) + " fields filled from " + path);
    return true;
  }
  std::string looked;
  for (const std::string& path : candidates) looked += (looked.empty() ? "" : " or ") + path;
  messages_.warnings.push_back("-fillform: no FDF file (looked for " + looked + ")");
  return true;
}

// Damage found while reading objects and streams (after the input was
// opened) was worked around by the library; say so once.
void Run::ReportRepairs() {
  const std::vector<QPDFExc> problems = pdf_->getWarnings();
  if (problems.empty()) return;
  messages_.warnings.push_back("the input " + request_.input + " is damaged; " + std::to_string(problems.size()) +
                               " problems worked around (first: " + problems.front().getMessageDetail() + ")");
}

void Run::ShowInfo(const std::string& key) {
  const std::string wanted = !key.empty() && key.front() == '/' ? key.substr(1) : key;
  for (const auto& [name, value] : ReadInfo(*pdf_)) {
    if (name == wanted) {
      std::string line = value;
      std::replace(line.begin(), line.end(), '\n', ' ');
      io_.out << line << "\n";
      return;
    }
  }
  messages_.warnings.push_back("-showinfo: the document information has no " + wanted);
}

}  // namespace

std::string FdfPathFor(const std::string& pdfPath) {
  const size_t slash = pdfPath.rfind('/');
  const size_t dot = pdfPath.rfind('.');
  const bool hasSuffix = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasSuffix ? pdfPath.substr(0, dot) : pdfPath) + ".fdf";
}

std::vector<std::string> FillFormCandidates(const Request& request) {
  std::vector<std::string> candidates{FdfPathFor(request.input)};
  const std::string fromOutput = FdfPathFor(request.output);
  if (fromOutput != candidates.front()) candidates.push_back(fromOutput);
  return candidates;
}

bool RunToolbox(const Request& request, ToolboxIo& io, Messages& messages, std::string& error) {
  Run run(request, io, messages);
  return run.Execute(error);
}

int RunCommandLine(std::span<const std::string> words, ToolboxIo& io, Diagnostics& diagnostics) {
  ParsedRequest parsed = ParseToolboxArguments(words);
  diagnostics.setQuiet(parsed.request.silent);
  for (const std::string& warning : parsed.warnings) diagnostics.warn(warning);
  if (parsed.request.help) {
    if (io.out << UsageText() << std::flush) return 0;
    diagnostics.error("cannot write to standard output");
    return 1;
  }
  if (!parsed.error.empty()) {
    diagnostics.error(parsed.error);
    return 1;
  }
  Messages messages;
  std::string error;
  const bool ok = RunToolbox(parsed.request, io, messages, error);
  for (const std::string& warning : messages.warnings) diagnostics.warn(warning);
  for (const std::string& note : messages.notes) diagnostics.note(note);
  if (!ok) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}

}  // namespace zembra::toolbox
