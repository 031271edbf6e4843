// The host's file writes: the default file primitives of every backend, on POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/backend/backend.h"

int Backend::FileCreate(const std::string& nativePath) {
  return ::open(nativePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool Backend::FileWrite(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t w = ::write(fd, p, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    size -= static_cast<size_t>(w);
  }
  return true;
}

// write() leaves no user-space buffer behind; fsync puts the bytes on the disk.
bool Backend::FileFlush(int fd) { return ::fsync(fd) == 0; }

bool Backend::FileRename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}
