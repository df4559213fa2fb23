// Which local files a document of the run may read. A local page reads its
// own directory and below, and the --allow directories; a web page reads no
// local file. Paths are resolved (made absolute, "." and ".." collapsed,
// symbolic links followed) before they are compared, so that neither a link
// nor a name climbs out of an allowed directory.
//
// Chromium's Fetch domain lets the renderer decide each request of a page
// or frame with the path resolved. Workers' requests of local files pass
// beside it, so workers get Chromium's URL blocking instead
// (WorkerBlockedUrls), which compares URLs only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engines/render/input_location.h"
#include "engines/render/render_options.h"

namespace zembra::render {

/// The path made absolute, "." and ".." collapsed and the symbolic links of
/// its longest existing part followed: where a read of it really goes.
std::string ResolvedPath(const std::string& path);

class FileAccessRule {
 public:
  /// Any local file.
  static FileAccessRule Everything();
  /// No local file: a web page, whatever the options.
  static FileAccessRule Nothing();
  /// The rule of one document of the run (the input, a cover, the contents).
  static FileAccessRule ForDocument(const InputLocation& input, const LoadOptions& load);
  /// What any of the rules allows: for what no single document owns (a
  /// shared worker, which any local document of the run may use).
  static FileAccessRule AnyOf(const std::vector<const FileAccessRule*>& rules);

  bool everything() const { return everything_; }
  /// Whether the file at this path (of a file: URL, percent-decoded) may be read.
  bool Allows(const std::string& path) const;
  /// The allowed directories, resolved.
  const std::vector<std::string>& directories() const { return directories_; }
  /// Why a file is refused, for the warning that names it.
  const std::string& refusal() const { return refusal_; }
  /// Whether no allowed directory holds a symbolic link (looked for once,
  /// among at most kLinkSearchLimit entries; false when not finished).
  bool DirectoriesFreeOfLinks() const;

 private:
  bool everything_ = false;
  std::vector<std::string> directories_;
  std::vector<std::string> files_;
  std::string refusal_;
  mutable std::optional<bool> freeOfLinks_;
};

/// How many entries of the allowed directories are looked at for links.
constexpr size_t kLinkSearchLimit = 20000;

/// Whether none of the directories holds a symbolic link, among at most
/// limit entries; false when the search did not finish or failed.
bool DirectoriesFreeOfLinks(const std::vector<std::string>& directories, size_t limit);

/// A path as a literal part of a URL pattern (Chromium's URLPattern syntax).
std::string UrlPatternLiteral(const std::string& path);

/// The urlPatterns of Network.setBlockedURLs for a worker under this rule:
/// the allowed directories open (only when they hold no symbolic link, as
/// URLs are compared without resolving them), every other file: URL
/// blocked. Null when the rule allows everything.
nlohmann::json WorkerBlockedUrls(const FileAccessRule& rule);

}  // namespace zembra::render
