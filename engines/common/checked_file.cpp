#include "engines/common/checked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zembra {

struct CheckedFile::Sink {
  int fd = -1;
  int error = 0;
};

namespace {

using Sink = CheckedFile::Sink;

// The stream's writes: every byte or the reason why not. A failure is kept,
// so that later writes, a flush or the close cannot hide it.
ssize_t SinkWrite(void* cookie, const char* data, size_t size) {
  Sink& sink = *static_cast<Sink*>(cookie);
  if (sink.error != 0) return 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(sink.fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      sink.error = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<size_t>(n);
  }
  // Fewer bytes than asked marks the stream as failed.
  return static_cast<ssize_t>(done);
}

int SinkSeek(void* cookie, off64_t* offset, int whence) {
  Sink& sink = *static_cast<Sink*>(cookie);
  const off64_t at = ::lseek64(sink.fd, *offset, whence);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}

int SinkClose(void* cookie) {
  Sink& sink = *static_cast<Sink*>(cookie);
  const int result = ::close(sink.fd);
  if (result != 0 && sink.error == 0) sink.error = errno;
  sink.fd = -1;
  return result;
}

}  // namespace

std::unique_ptr<CheckedFile> CheckedFile::Open(const std::string& path, std::string& error) {
  auto sink = std::make_unique<Sink>();
  sink->fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (sink->fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  const cookie_io_functions_t functions{nullptr, SinkWrite, SinkSeek, SinkClose};
  FILE* file = ::fopencookie(sink.get(), "wb", functions);
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::close(sink->fd);
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
  return std::unique_ptr<CheckedFile>(new CheckedFile(path, std::move(sink), file));
}

CheckedFile::CheckedFile(std::string path, std::unique_ptr<Sink> sink, FILE* file)
    : path_(std::move(path)), sink_(std::move(sink)), file_(file) {}

bool CheckedFile::failed() const { return sink_->error != 0; }

CheckedFile::~CheckedFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CheckedFile::Close(std::string& error) {
  errno = 0;
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  int problem = sink_->error != 0 ? sink_->error : errno;
  bool ok = flushed && sink_->error == 0;
  // A file system that takes data into its cache may only find out at the
  // sync that there is no room for it.
  if (ok && ::fsync(sink_->fd) != 0 && errno != EINVAL && errno != EROFS) {
    ok = false;
    problem = errno;
  }
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    problem = sink_->error != 0 ? sink_->error : errno;
  }
  file_ = nullptr;
  if (!ok) error = "cannot write " + path_ + ": " + std::strerror(problem != 0 ? problem : EIO);
  return ok;
}

}  // namespace zembra
