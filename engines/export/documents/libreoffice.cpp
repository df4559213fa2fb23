#include "engines/export/documents/libreoffice.h"

#include <sys/statvfs.h>

#include "engines/common/files.h"
#include "engines/export/documents/engine_run.h"
#include "engines/export/documents/office_profile.h"

namespace zembra::exporter {

namespace {

// LibreOffice is installed here by its Debian packages; found on PATH otherwise.
const char* OfficeProgram() { return "/usr/bin/soffice"; }

}  // namespace

std::vector<std::string> OfficeCommand(const OfficeConversion& conversion) {
  std::vector<std::string> argv = {OfficeProgram(),
                                   "-env:UserInstallation=file://" + conversion.profileDirectory,
                                   "--headless",
                                   "--norestore",
                                   "--nologo",
                                   "--nodefault",
                                   "--nolockcheck",
                                   "--convert-to",
                                   conversion.target,
                                   "--outdir",
                                   conversion.outputDirectory};
  argv.insert(argv.end(), conversion.inputs.begin(), conversion.inputs.end());
  return argv;
}

std::string OfficeResultPath(const OfficeConversion& conversion, const std::string& input,
                             const std::string& suffix) {
  std::string name = BaseName(input);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return conversion.outputDirectory + "/" + name + "." + suffix;
}

bool RunOffice(const OfficeConversion& conversion, std::string& error) {
  const std::string work = DirectoryName(conversion.profileDirectory);
  struct statvfs disk;
  if (::statvfs(work.empty() ? "." : work.c_str(), &disk) == 0 &&
      static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < kOfficeRoomBytes) {
    const std::string where = DirectoryName(work).empty() ? "." : DirectoryName(work);
    error = "LibreOffice: not enough room in " + where + " (" +
            std::to_string(static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize >> 10) + " KiB free, " +
            std::to_string(kOfficeRoomBytes >> 20) + " MiB needed; TMPDIR chooses the directory)";
    return false;
  }
  // Without a template LibreOffice makes the profile itself, only slower.
  SeedOfficeProfile(OfficeProgram(), OfficeCacheRoot(), conversion.profileDirectory);
  EngineCall call;
  call.argv = OfficeCommand(conversion);
  call.timeout = conversion.timeout;
  // Its home and temporary files stay inside the private profile, too.
  call.environment = {"HOME=" + conversion.profileDirectory, "TMPDIR=" + conversion.profileDirectory};
  if (!RunEngine(call, error)) {
    error = "LibreOffice: " + error;
    return false;
  }
  return true;
}

}  // namespace zembra::exporter
