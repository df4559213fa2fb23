#include "engines/export/documents/office_profile.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "engines/export/documents/engine_run.h"

namespace zembra::exporter {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplatePrefix = "office-profile-";

bool MakeTemplate(const std::string& program, const std::string& cacheRoot, const std::string& target) {
  std::error_code ignored;
  fs::create_directories(cacheRoot, ignored);
  // Made beside its place under a name of its own, then renamed into it:
  // two runs making it at once never see half a template.
  std::vector<char> pattern;
  for (char c : cacheRoot + "/.office-profile-XXXXXX") pattern.push_back(c);
  pattern.push_back('\0');
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  const std::string work = pattern.data();
  EngineCall call;
  call.argv = {program,         "-env:UserInstallation=file://" + work + "/profile",
               "--headless",    "--norestore",
               "--nologo",      "--nodefault",
               "--nolockcheck", "--terminate_after_init"};
  call.timeout = std::chrono::seconds(120);
  call.environment = {"HOME=" + work, "TMPDIR=" + work};
  std::string error;
  bool made = RunEngine(call, error) && fs::is_directory(work + "/profile/user", ignored);
  if (made) {
    // Templates of builds gone by are of no more use.
    for (const fs::directory_entry& entry : fs::directory_iterator(cacheRoot, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(kTemplatePrefix, 0) == 0 && entry.path().string() != target) fs::remove_all(entry.path(), ignored);
    }
    // Another run may have put its template in place meanwhile: either is good.
    made = ::rename((work + "/profile").c_str(), target.c_str()) == 0 || fs::is_directory(target + "/user", ignored);
  }
  fs::remove_all(work, ignored);
  return made;
}

}  // namespace

std::string OfficeCacheRoot() {
  const char* cache = ::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/zembra";
  const char* home = ::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/zembra";
  return "";
}

std::string OfficeProfileTemplate(const std::string& program, const std::string& cacheRoot) {
  std::error_code failed;
  const fs::path resolved = fs::canonical(program, failed);
  struct stat info;
  if (failed || cacheRoot.empty() || ::stat((resolved.parent_path() / "versionrc").c_str(), &info) != 0) return "";
  // Every build of LibreOffice writes its versionrc anew.
  return cacheRoot + "/" + kTemplatePrefix + std::to_string(static_cast<long long>(info.st_mtime)) + "-" +
         std::to_string(static_cast<long long>(info.st_size));
}

bool SeedOfficeProfile(const std::string& program, const std::string& cacheRoot, const std::string& profileDirectory) {
  const std::string target = OfficeProfileTemplate(program, cacheRoot);
  if (target.empty()) return false;
  std::error_code failed;
  if (!fs::is_directory(target + "/user", failed) && !MakeTemplate(program, cacheRoot, target)) return false;
  fs::copy(target, profileDirectory, fs::copy_options::recursive, failed);
  if (failed) {
    std::error_code ignored;
    fs::remove_all(profileDirectory, ignored);
    return false;
  }
  return true;
}

}  // namespace zembra::exporter
