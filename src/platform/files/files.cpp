// The file-system boundary: engine paths (CP932, "\\" separators, any letter case) become native
// paths here, and every whole-file read and atomic rewrite goes through this file. The rewrite's
// steps that write (create, write, flush, rename) are the current backend's file primitives.
#include "platform/files/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "platform/backend/backend.h"
#include "platform/text/cp932.h"

namespace {

constexpr uint64_t kMaxReadSize = 256ull * 1024 * 1024;

bool pathExists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

// "\\" -> "/", stepping over two-byte characters so that their trail byte is never a separator.
//
// A path may also begin with a native UTF-8 part (the game folder as given on the command line)
// to which the engine appended "\\". The last byte of a UTF-8 character can look like a CP932
// lead byte ("ト" is E3 83 88), which would swallow that separator. With utf8Aware set, a 0x5C
// after such a byte counts as a separator when the name before it is valid UTF-8; the resolver
// tries this reading only when the plain CP932 one finds nothing.
bool isValidUtf8(std::string_view s);

std::string normaliseSeparators(std::string_view s, bool utf8Aware) {
  std::string out;
  out.reserve(s.size());
  size_t nameStart = 0;  // start of the current component in out
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c) && i + 1 < s.size()) {
      if (utf8Aware && s[i + 1] == '\\' && isValidUtf8(out.substr(nameStart) + s[i])) {
        out += s[i];
        out += '/';
        nameStart = out.size();
        ++i;
        continue;
      }
      out += s[i];
      out += s[i + 1];
      ++i;
    } else if (c == '\\' || c == '/') {
      if (out.empty() || out.back() != '/') out += '/';  // repeated separators collapse
      nameStart = out.size();
    } else {
      out += s[i];
    }
  }
  return out;
}

// Case-insensitive comparison of UTF-8 names (a CP932 name is compared by EqualCp932NoCase):
// every byte of a multi-byte sequence is >= 0x80, so folding ASCII bytes alone is safe.
bool equalUtf8NoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

// The UTF-8 spelling of a CP932 name, or "" when the name has no clean conversion.
std::string utf8Spelling(const std::string& name) {
  if (isAscii(name)) return name;
  std::string u = Cp932ToUtf8(name);
  if (u.find("\xEF\xBF\xBD") != std::string::npos) return {};
  return u;
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// Finds the on-disk spelling of one path component inside dir: as given, as UTF-8, then by a
// case-insensitive match (the smallest matching name, so the choice does not depend on the
// directory's order). Returns "" when nothing matches.
std::string findComponent(const std::string& dir, const std::string& name,
                          const std::string& utf8) {
  if (pathExists(join(dir, name))) return name;
  if (!utf8.empty() && utf8 != name && pathExists(join(dir, utf8))) return utf8;

  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (struct dirent* e = ::readdir(d)) {
    std::string_view entry(e->d_name);
    if (entry == "." || entry == "..") continue;
    if (EqualCp932NoCase(entry, name) || (!utf8.empty() && equalUtf8NoCase(entry, utf8))) {
      if (best.empty() || entry < best) best = entry;
    }
  }
  ::closedir(d);
  return best;
}

// Walks a normalised path component by component. Returns the native spelling; *matched counts
// the components found on disk and *all tells whether every one was.
std::string walkPath(const std::string& path, int* matched, bool* all) {
  bool absolute = path.front() == '/';
  bool trailingSlash = path.back() == '/';
  std::string resolved = absolute ? "/" : "";
  bool found = true;  // every component so far exists on disk
  *matched = 0;

  size_t pos = 0;
  while (pos < path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string name = path.substr(pos, slash - pos);
    pos = slash + 1;
    if (name.empty()) continue;  // "//" and the leading "/"

    std::string spelled;
    if (name == "." || name == "..") {
      spelled = name;
    } else {
      std::string utf8 = utf8Spelling(name);
      if (found) spelled = findComponent(resolved, name, utf8);
      if (spelled.empty()) {
        // Nothing on disk: choose the spelling a new file gets. A name that is already valid
        // UTF-8 is taken to be native; a CP932 name is stored as UTF-8 when it converts cleanly.
        found = false;
        spelled = (isValidUtf8(name) || utf8.empty()) ? name : utf8;
      } else {
        ++*matched;
      }
    }
    resolved = join(resolved, spelled);
  }
  if (trailingSlash && !resolved.empty() && resolved.back() != '/') resolved += '/';
  *all = found;
  return resolved;
}

// The temporary of a rewrite of NAME is ".NAME.PID.N.tmp" (PID the writing process, N its
// count), so a leftover tells whose it was.
std::string temporaryName(const std::string& base, unsigned n) {
  return "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(n) + ".tmp";
}

// Takes the number after the last "." off the end of name; false when there is none (no dot, no
// digits, something else than digits, or more than ten of them).
bool takeNumber(std::string_view& name, unsigned long* value) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view digits = name.substr(dot + 1);
  if (digits.empty() || digits.size() > 10) return false;
  *value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + static_cast<unsigned long>(c - '0');
  }
  name = name.substr(0, dot);
  return true;
}

// The process id in a name of temporaryName's form, or 0 when the name is not one.
pid_t temporaryOwner(std::string_view name) {
  constexpr std::string_view kEnd = ".tmp";
  if (name.empty() || name[0] != '.' || !name.ends_with(kEnd)) return 0;
  name.remove_suffix(kEnd.size());
  unsigned long n = 0, pid = 0;
  if (!takeNumber(name, &n) || !takeNumber(name, &pid)) return 0;
  // ".NAME" is left, NAME not empty.
  if (name.size() < 2 || pid == 0 || pid > 0x7fffffffUL) return 0;
  return static_cast<pid_t>(pid);
}

// A process killed between creating its temporary and renaming it (SIGKILL, a power cut) leaves
// the temporary behind, and one more with every such kill. A rewrite therefore removes the
// leftovers in its folder whose process is gone. A temporary of a process that still runs
// (another copy of the program writing now) is left alone; one that bears this process's own id
// is a leftover of an earlier process that had the same id, since this one is single-threaded
// and has none open at this point.
void removeLeftTemporaries(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const pid_t self = ::getpid();
  while (struct dirent* e = ::readdir(d)) {
    const pid_t owner = temporaryOwner(e->d_name);
    if (owner <= 0) continue;
    if (owner != self && (::kill(owner, 0) == 0 || errno != ESRCH)) continue;
    ::unlink(join(dir, e->d_name).c_str());
  }
  ::closedir(d);
}

}  // namespace

std::string ResolvePath(const char* enginePath) {
  if (!enginePath || !*enginePath) return {};
  std::string plain = normaliseSeparators(enginePath, false);
  if (pathExists(plain)) return plain;
  std::string mixed = normaliseSeparators(enginePath, true);
  if (mixed != plain && pathExists(mixed)) return mixed;

  int plainMatched = 0, mixedMatched = 0;
  bool plainAll = false, mixedAll = false;
  std::string plainWalk = walkPath(plain, &plainMatched, &plainAll);
  if (plainAll || mixed == plain) return plainWalk;
  std::string mixedWalk = walkPath(mixed, &mixedMatched, &mixedAll);
  return (mixedAll || mixedMatched > plainMatched) ? mixedWalk : plainWalk;
}

bool FileExists(const char* enginePath) {
  std::string p = ResolvePath(enginePath);
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileReadWritable(const char* enginePath) {
  std::string p = ResolvePath(enginePath);
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(p.c_str(), R_OK | W_OK) == 0;
}

bool DirectoryWritable(const std::string& nativeDir) {
  struct stat st;
  return !nativeDir.empty() && ::stat(nativeDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(nativeDir.c_str(), W_OK | X_OK) == 0;
}

bool ReadWholeFile(const char* enginePath, std::vector<uint8_t>& out) {
  out.clear();
  std::string p = ResolvePath(enginePath);
  if (p.empty()) return false;
  // O_NONBLOCK keeps a FIFO from blocking the open; anything but a regular file is refused.
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > kMaxReadSize) {
    ::close(fd);
    return false;
  }
  out.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  bool ok = true;
  // Read to the end even if the file changes size meanwhile, but never past the limit.
  for (;;) {
    if (got == out.size()) {
      if (out.size() >= kMaxReadSize) {
        uint8_t probe;
        ssize_t r = ::read(fd, &probe, 1);
        if (r != 0) ok = false;  // grew past the limit, or an error
        break;
      }
      out.resize(std::min<size_t>(kMaxReadSize, out.size() + 4096));
    }
    ssize_t r = ::read(fd, out.data() + got, out.size() - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  ::close(fd);
  if (!ok) {
    out.clear();
    return false;
  }
  out.resize(got);
  return true;
}

bool WriteWholeFileAtomic(const char* enginePath, const void* data, size_t size) {
  std::string target = ResolvePath(enginePath);
  if (target.empty() || target.back() == '/' || (size > 0 && !data)) return false;

  size_t slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  // Keep the permissions of the file being replaced; a new file gets 0666 less the umask, which
  // open() applies by itself.
  struct stat old;
  bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && !S_ISREG(old.st_mode)) return false;

  // Leftovers come only from processes that have ended, so one look per folder is enough: the
  // first rewrite there clears them and later rewrites do not read the folder again.
  static std::set<std::string> clearedDirs;
  if (clearedDirs.insert(dir).second) removeLeftTemporaries(dir);

  Backend& be = CurrentBackend();
  // The temporary lives in the same folder, so the rename cannot cross file systems.
  std::string temp;
  int fd = -1;
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = join(dir, temporaryName(base, ++counter));
    fd = be.FileCreate(temp);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return false;

  bool ok = be.FileWrite(fd, data, size);
  if (ok && hadOld) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  // The bytes are on the disk before the rename makes them the file's content.
  if (ok) ok = be.FileFlush(fd);
  if (::close(fd) != 0) ok = false;
  if (ok) ok = be.FileRename(temp, target);
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; failing here no longer endangers either version.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}
