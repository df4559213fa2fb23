#include "engines/export/documents/output_set.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace zembra::exporter {

std::vector<std::string> OutputTargets(const std::string& outputPath, int pageCount, bool filePerPage) {
  if (!filePerPage || pageCount <= 1) return {outputPath};
  std::vector<std::string> targets;
  for (int page = 1; page <= pageCount; ++page) targets.push_back(SeriesPath(outputPath, page));
  return targets;
}

std::unique_ptr<OutputSet> OutputSet::Create(const std::vector<std::string>& targets, std::string& error) {
  std::unique_ptr<OutputSet> set(new OutputSet);
  for (const std::string& target : targets) {
    struct stat info;
    if (::lstat(target.c_str(), &info) == 0) {
      error = target + " exists already; it is not replaced";
      return nullptr;
    }
    std::unique_ptr<AtomicOutput> output = AtomicOutput::Create(target, error);
    if (!output) return nullptr;
    set->outputs_.push_back(std::move(output));
  }
  return set;
}

bool OutputSet::CommitAll(std::string& error) {
  for (size_t i = 0; i < outputs_.size(); ++i) {
    if (!outputs_[i]->Commit(error)) {
      for (size_t placed = 0; placed < i; ++placed) ::unlink(outputs_[placed]->target().c_str());
      return false;
    }
  }
  return true;
}

bool CopyFileContents(const std::string& from, const std::string& to, std::string& error) {
  std::ifstream in(from, std::ios::binary);
  if (!in) {
    error = "the engine wrote no file " + from;
    return false;
  }
  if (in.peek() == std::ifstream::traits_type::eof()) {
    error = "the engine wrote an empty file " + from;
    return false;
  }
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  out.flush();
  if (!out) {
    error = "cannot write " + to + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zembra::exporter
