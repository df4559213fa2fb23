#include "engines/export/documents/engine_result.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "engines/common/files.h"

namespace zembra::exporter {

namespace {

uint32_t Le32(std::string_view data, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
  return value;
}

uint16_t Le16(std::string_view data, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(data[at]) | static_cast<unsigned char>(data[at + 1]) << 8);
}

// PostScript from pdftops ends with the %%EOF comment, after trailing blanks.
std::string PostScriptMissing(std::string_view data) {
  size_t end = data.size();
  while (end > 0 && (data[end - 1] == '\n' || data[end - 1] == '\r' || data[end - 1] == ' ')) --end;
  constexpr std::string_view kEnd = "%%EOF";
  if (end < kEnd.size() || data.substr(end - kEnd.size(), kEnd.size()) != kEnd) return "it does not end with %%EOF";
  return "";
}

// A compound file (DOC, XLS): a 512-byte header, then sectors. The header
// lists the sectors of the allocation table, which marks every sector in
// use; a file cut short lacks some of them.
std::string CompoundFileMissing(std::string_view data) {
  constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  if (data.size() < 512 || data.substr(0, 8) != kSignature) return "its header is incomplete";
  const uint16_t shift = Le16(data, 0x1E);
  if (shift != 9 && shift != 12) return "its header names no sector size";
  const size_t sectorSize = size_t{1} << shift;
  const uint64_t sectors = data.size() / sectorSize - 1;  // the header takes the place of one
  auto offset = [&](uint32_t sector) { return (static_cast<size_t>(sector) + 1) * sectorSize; };
  constexpr uint32_t kLastRegular = 0xFFFFFFFA;

  // The allocation table's own sectors: 109 in the header, more in a chain.
  const uint32_t tableSectors = Le32(data, 0x2C);
  if (tableSectors == 0 || tableSectors > sectors) return "its allocation table lies past its end";
  std::vector<uint32_t> table;
  for (uint32_t i = 0; i < tableSectors && i < 109; ++i) table.push_back(Le32(data, 0x4C + 4 * i));
  uint32_t more = Le32(data, 0x44);
  for (uint32_t chained = 0; table.size() < tableSectors; ++chained) {
    if (more >= kLastRegular || more >= sectors || chained > sectors) return "its allocation table lies past its end";
    const size_t at = offset(more);
    for (size_t i = 0; i + 1 < sectorSize / 4 && table.size() < tableSectors; ++i)
      table.push_back(Le32(data, at + 4 * i));
    more = Le32(data, at + sectorSize - 4);
  }
  // Every sector the table marks as used must be there.
  const size_t perSector = sectorSize / 4;
  for (size_t n = 0; n < table.size(); ++n) {
    if (table[n] >= sectors) return "its allocation table lies past its end";
    const size_t at = offset(table[n]);
    for (size_t i = 0; i < perSector; ++i) {
      const uint64_t index = uint64_t{n} * perSector + i;
      const uint32_t entry = Le32(data, at + 4 * i);
      if (entry == 0xFFFFFFFF) continue;  // free
      if (index >= sectors || (entry < kLastRegular && entry >= sectors))
        return "sector " + std::to_string(index >= sectors ? index : entry) + " is in use but missing";
    }
  }
  if (Le32(data, 0x30) >= sectors) return "its directory lies past its end";
  return "";
}

// An enhanced metafile: records of a type and a size, the header's first,
// which gives the size of the whole, an end record last.
std::string EmfMissing(std::string_view data) {
  if (data.size() < 88 || Le32(data, 0) != 1 || Le32(data, 40) != 0x464D4520) return "its header is incomplete";
  const uint32_t stated = Le32(data, 48);
  if (stated != data.size())
    return "it holds " + std::to_string(data.size()) + " of the " + std::to_string(stated) + " bytes its header states";
  size_t at = 0;
  uint32_t type = 0;
  while (at + 8 <= data.size()) {
    type = Le32(data, at);
    const uint32_t size = Le32(data, at + 4);
    if (size < 8 || size % 4 != 0 || size > data.size() - at) return "a record runs past its end";
    at += size;
  }
  if (at != data.size() || type != 14) return "it does not end with its end record";
  return "";
}

// A Windows metafile, after an optional placeable header of 22 bytes: a
// header giving the size of the whole in 16-bit words, records of a size
// in words, and an end record of three words.
std::string WmfMissing(std::string_view data) {
  const size_t start = data.size() >= 22 && Le32(data, 0) == 0x9AC6CDD7 ? 22 : 0;
  if (data.size() < start + 18) return "its header is incomplete";
  const uint16_t headerWords = Le16(data, start + 2);
  const uint64_t stated = start + uint64_t{Le32(data, start + 6)} * 2;
  if (headerWords != 9) return "its header is incomplete";
  if (stated != data.size())
    return "it holds " + std::to_string(data.size()) + " of the " + std::to_string(stated) + " bytes its header states";
  size_t at = start + 18;
  while (at + 6 <= data.size()) {
    const uint64_t size = uint64_t{Le32(data, at)} * 2;
    if (size == 6 && Le16(data, at + 4) == 0) return at + 6 == data.size() ? "" : "it goes on past its end record";
    if (size < 6 || size > data.size() - at) return "a record runs past its end";
    at += size;
  }
  return "it does not end with its end record";
}

// " (the disk is full)" when the directory of path has no room left: the
// likely reason an engine stopped short.
std::string FullDiskNote(const std::string& path) {
  struct statvfs disk;
  const std::string directory = DirectoryName(path);
  if (::statvfs(directory.empty() ? "." : directory.c_str(), &disk) != 0) return "";
  const unsigned long long room = static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize;
  return room < (1ull << 20) ? "; the disk of " + (directory.empty() ? std::string(".") : directory) + " is full" : "";
}

std::string Suffix(const std::string& path) {
  const std::string name = BaseName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : AsciiLower(name.substr(dot + 1));
}

}  // namespace

std::string MissingPart(std::string_view suffix, std::string_view data) {
  if (suffix == "ps" || suffix == "eps") return PostScriptMissing(data);
  if (suffix == "doc" || suffix == "xls") return CompoundFileMissing(data);
  if (suffix == "emf") return EmfMissing(data);
  if (suffix == "wmf") return WmfMissing(data);
  return "";
}

bool VerifyEngineResult(const std::string& path, std::string_view data, std::string& error) {
  const std::string suffix = Suffix(path);
  const std::string missing = MissingPart(suffix, data);
  if (missing.empty()) return true;
  error = "the " + suffix + " file the engine wrote is incomplete: " + missing + FullDiskNote(path);
  return false;
}

bool VerifyEngineFile(const std::string& path, std::string& error) {
  const std::string suffix = Suffix(path);
  if (suffix != "ps" && suffix != "eps") {
    const std::optional<std::string> data = ReadWholeFile(path, error);
    return data && VerifyEngineResult(path, *data, error);
  }
  // PostScript shows its end in its last bytes: no need to read it all.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  const off_t length = std::min<off_t>(info.st_size, 4096);
  std::string tail(static_cast<size_t>(length), '\0');
  const ssize_t got = ::pread(fd, tail.data(), tail.size(), info.st_size - length);
  ::close(fd);
  tail.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return VerifyEngineResult(path, tail, error);
}

}  // namespace zembra::exporter
