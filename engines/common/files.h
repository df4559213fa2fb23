// Whole-file reading and writing and the parts of a path, the way every
// sibling needs them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zembra {

/// The whole content of a regular file; nothing, with error set, when the
/// path names no regular file or reading fails.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error);

/// Creates or truncates path and writes data to it; every write, the flush,
/// the sync and the close are checked, so a full disk is an error here.
bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error);

/// Syncs the file's data to its disk, which may only then find that it has
/// no room for data it took into its cache. False with error set, naming the
/// file as target (the name the user knows), when that or opening fails.
bool SyncFile(const std::string& path, const std::string& target, std::string& error);

/// Everything before the last "/" ("/" for a file in the root, empty when
/// there is no "/"). Only "/" separates; a backslash is part of a name.
std::string DirectoryName(const std::string& path);

/// Everything after the last "/" (the whole path when there is none).
std::string BaseName(const std::string& path);

/// The text with ASCII letters in lower case; other bytes unchanged.
std::string AsciiLower(std::string_view text);

}  // namespace zembra
