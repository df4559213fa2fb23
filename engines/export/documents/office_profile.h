// LibreOffice profiles copied from a template. Each conversion runs with a
// private profile; made from nothing, it costs LibreOffice a first start and
// a restart (about half a second to a second). The template is made once per
// user and LibreOffice build in the user's cache directory and copied into
// each conversion's profile, which stays private.
#pragma once

#include <string>

namespace zembra::exporter {

/// Where templates are kept: $XDG_CACHE_HOME/zembra, else $HOME/.cache/zembra;
/// "" when neither names an absolute directory.
std::string OfficeCacheRoot();

/// The template's directory for the LibreOffice that program runs, under
/// cacheRoot; "" when the build cannot be told (no versionrc beside it).
std::string OfficeProfileTemplate(const std::string& program, const std::string& cacheRoot);

/// Fills profileDirectory, which must not exist yet, with a copy of the
/// template, making the template first when there is none (one LibreOffice
/// start; templates of other builds are removed then). False, leaving no
/// profileDirectory, when any of it fails: LibreOffice then makes the
/// profile itself, as without a template.
bool SeedOfficeProfile(const std::string& program, const std::string& cacheRoot, const std::string& profileDirectory);

}  // namespace zembra::exporter
