// File operations for the host build, so that extraction and the builder run natively. A "\" in a
// path is a folder separator here, DOS time stamps are local-time modification times, and a file
// without its owner's write permission plays the part of a read-only file.
#include "util/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "util/Utils.h"

namespace {
std::string HostPath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool WriteAll(int fd, std::string_view data, int64_t chunk) {
  while (!data.empty()) {
    size_t piece = data.size() < uint64_t(chunk) ? data.size() : size_t(chunk);
    ssize_t n = write(fd, data.data(), piece);
    if (n <= 0) return false;
    data.remove_prefix(size_t(n));
  }
  return true;
}

// The local time of a DOS stamp as a Unix time; -1 when it cannot be had.
time_t DosToUnixTime(uint32_t dosTime) {
  DateTime dt = DosToDateTime(dosTime);
  tm t = {};
  t.tm_year = dt.year - 1900;
  t.tm_mon = dt.month - 1;
  t.tm_mday = dt.day;
  t.tm_hour = dt.hour;
  t.tm_min = dt.minute;
  t.tm_sec = dt.second;
  t.tm_isdst = -1;
  return mktime(&t);
}

bool IsDir(const std::string& hostPath, bool followLinks = true) {
  struct stat st;
  return (followLinks ? stat(hostPath.c_str(), &st) : lstat(hostPath.c_str(), &st)) == 0 && S_ISDIR(st.st_mode);
}

// Names of the entries of a folder, without "." and "..".
std::vector<std::string> ListFolder(const std::string& hostDir) {
  std::vector<std::string> names;
  DIR* d = opendir(hostDir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  return names;
}
}  // namespace

std::string ReadFileRange(std::string_view path, int64_t maxLen, int64_t start) {
  Fd f(open(HostPath(path).c_str(), O_RDONLY));
  struct stat st;
  if (f.fd < 0 || fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
  int64_t n = int64_t(st.st_size) - start;
  if (maxLen > 0 && maxLen < n) n = maxLen;
  if (start < 0 || start >= st.st_size || n <= 0) return {};
  std::string data(size_t(n), '\0');
  size_t done = 0;
  while (done < data.size()) {
    ssize_t got = pread(f.fd, data.data() + done, data.size() - done, off_t(start + int64_t(done)));
    if (got <= 0) return {};
    done += size_t(got);
  }
  return data;
}

bool InputFile::Open(std::string_view path) {
  Close();
  const int fd = open(HostPath(path).c_str(), O_RDONLY);
  struct stat st;
  if (fd < 0) return false;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  handle_ = fd;
  size_ = int64_t(st.st_size);
  return true;
}

int64_t InputFile::Read(char* buffer, int64_t n) {
  if (handle_ == -1 || n < 0) return -1;
  for (;;) {
    const ssize_t got = read(int(handle_), buffer, size_t(n));
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

void InputFile::Close() {
  if (handle_ != -1) close(int(handle_));
  handle_ = -1;
  size_ = 0;
}

bool OutputFile::Open(std::string_view path, Mode mode) {
  Discard();
  path_ = std::string(path);
  temp_.clear();
  oldSize_ = 0;
  const std::string target = HostPath(path);
  // O_EXCL answers the existence question and makes the file in one call.
  int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  created_ = fd >= 0;
  if (fd < 0 && errno == EEXIST && !IsDir(target)) {
    if (mode == Mode::kAppend) {
      fd = open(target.c_str(), O_WRONLY);
      oldSize_ = fd >= 0 ? int64_t(lseek(fd, 0, SEEK_END)) : 0;
    } else {
      // A good file is there: the new content goes beside it until complete.
      temp_ = path_ + ".~" + std::to_string(getpid());
      fd = open(HostPath(temp_).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
  }
  if (fd < 0 || oldSize_ < 0) {
    if (fd >= 0) close(fd);
    temp_.clear();
    return false;
  }
  handle_ = fd;
  return true;
}

bool OutputFile::Write(std::string_view data) {
  return IsOpen() && WriteAll(int(handle_), data, WriteChunkSize(int64_t(data.size())));
}

bool OutputFile::CloseHandleOnly() {
  const bool ok = close(int(handle_)) == 0;
  handle_ = kClosed;
  return ok;
}

bool OutputFile::Finish(uint32_t dosTime) {
  if (!IsOpen()) return false;
  // Set on the open file, after its last write. The bytes are what counts: a stamp that is no
  // valid date-time keeps the time of writing rather than undoing a complete write.
  if (dosTime != 0 && IsValidDosTime(dosTime)) {
    const time_t t = DosToUnixTime(dosTime);
    const timespec times[2] = {{t, 0}, {t, 0}};
    if (t != time_t(-1)) futimens(int(handle_), times);
  }
  bool ok = CloseHandleOnly();
  if (!temp_.empty()) {
    ok = ok && !IsDir(HostPath(path_)) && rename(HostPath(temp_).c_str(), HostPath(path_).c_str()) == 0;
    if (!ok) unlink(HostPath(temp_).c_str());
  } else if (!ok && created_) {
    unlink(HostPath(path_).c_str());
  }
  temp_.clear();
  return ok;
}

void OutputFile::Discard() {
  if (!IsOpen()) return;
  if (temp_.empty() && !created_) {
    const bool cut = ftruncate(int(handle_), off_t(oldSize_)) == 0;
    (void)cut;
  }
  CloseHandleOnly();
  if (!temp_.empty()) {
    unlink(HostPath(temp_).c_str());
  } else if (created_) {
    unlink(HostPath(path_).c_str());
  }
  temp_.clear();
}

bool WriteFileData(std::string_view path, std::string_view data, uint32_t dosTime, bool append) {
  OutputFile file;
  return file.Open(path, append ? OutputFile::Mode::kAppend : OutputFile::Mode::kReplace) && file.Write(data) &&
         file.Finish(dosTime);
}

bool AppendText(std::string_view path, std::string_view text) { return WriteFileData(path, text, 0, true); }

bool FileExists(std::string_view path) {
  struct stat st;
  return stat(HostPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) { return IsDir(HostPath(path)); }

bool ForceDirectories(std::string_view path) {
  std::string p = HostPath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i < p.size() && p[i] != '/') continue;
    std::string part = p.substr(0, i);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return IsDir(p);
}

bool DeleteFileByName(std::string_view path) {
  std::string p = HostPath(path);
  return !IsDir(p, false) && unlink(p.c_str()) == 0;
}

bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite) {
  if (!FileExists(from) || (!overwrite && FileExists(to))) return false;
  std::string data = ReadFileRange(from);
  if (data.empty() && GetFileSizeByName(from) != 0) return false;
  return WriteFileData(to, data, GetFileDosTime(from));
}

int64_t GetFileSizeByName(std::string_view path) {
  struct stat st;
  return stat(HostPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? int64_t(st.st_size) : 0;
}

uint32_t GetFileDosTime(std::string_view path) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return 0;
  tm t;
  localtime_r(&st.st_mtime, &t);
  return DateTimeToDos({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0});
}

bool SetFileDosTime(std::string_view path, uint32_t dosTime) {
  // mktime would carry month 13 into the next year; Windows refuses such a stamp, and so do we.
  if (!IsValidDosTime(dosTime)) return false;
  const time_t when = DosToUnixTime(dosTime);
  if (dosTime == 0 || when == time_t(-1)) return false;
  timeval times[2] = {{when, 0}, {when, 0}};
  return utimes(HostPath(path).c_str(), times) == 0;
}

double DiskFreeBytes(std::string_view path) {
  // The nearest existing folder up the path answers for its file system.
  std::string p = HostPath(path);
  while (!p.empty()) {
    struct statvfs vfs;
    if (statvfs(p.c_str(), &vfs) == 0) return double(vfs.f_bavail) * double(vfs.f_frsize);
    size_t slash = p.find_last_of('/');
    p = slash == std::string::npos ? "" : slash == 0 ? (p == "/" ? "" : "/") : p.substr(0, slash);
  }
  return 0;
}

bool DeleteFilesByMask(std::string_view mask, bool clearAttributes) {
  std::string m = HostPath(mask);
  size_t slash = m.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : m.substr(0, slash);
  std::string pattern = slash == std::string::npos ? m : m.substr(slash + 1);
  if (pattern == "*.*") pattern = "*";  // as on Windows, "*.*" also matches names without a dot
  bool found = false;
  for (const std::string& name : ListFolder(dir)) {
    if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    std::string full = dir + "/" + name;
    struct stat st;
    if (lstat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    found = true;
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) {
      if (!clearAttributes) continue;
      chmod(full.c_str(), st.st_mode | S_IWUSR);
    }
    unlink(full.c_str());
  }
  return found;
}

bool RemoveFolderTree(std::string_view folder, bool clearAttributes) {
  if (folder.empty()) return false;
  const std::string dir = HostPath(folder);
  int count = IsDir(dir, false) ? 1 : 0;
  DeleteFilesByMask(dir + "/*", clearAttributes);
  for (const std::string& name : ListFolder(dir)) {
    std::string sub = dir + "/" + name;
    if (!IsDir(sub, false)) continue;
    RemoveFolderTree(sub, clearAttributes);
    rmdir(sub.c_str());
  }
  rmdir(dir.c_str());
  if (access(dir.c_str(), F_OK) != 0) ++count;
  return count == 2;
}

std::string FindFileInTree(std::string_view folder, std::string_view name) {
  std::string dir(folder);
  std::string candidate = dir + "/" + std::string(name);
  if (FileExists(candidate)) return candidate;
  for (const std::string& entry : ListFolder(HostPath(dir))) {
    std::string sub = dir + "/" + entry;
    if (!IsDir(HostPath(sub), false)) continue;
    std::string hit = FindFileInTree(sub, name);
    if (!hit.empty()) return hit;
  }
  return {};
}

std::string FindFolderInTree(std::string_view folder, std::string_view name) {
  std::string dir(folder);
  std::string host = HostPath(dir);
  if (EndsWith("/" + HostPath(name), host, true)) return dir;
  for (const std::string& entry : ListFolder(host)) {
    std::string sub = dir + "/" + entry;
    if (!IsDir(HostPath(sub), false)) continue;
    std::string hit = FindFolderInTree(sub, name);
    if (!hit.empty()) return hit;
  }
  return {};
}

// The host has no drive letters.
std::string FindFileOnDrives(std::string_view, unsigned) { return {}; }
std::string FindFolderOnDrives(std::string_view, unsigned) { return {}; }
void DeleteMySelf(bool, bool) {}
bool EjectCD(std::string_view) { return false; }
bool IsFixedDrive(char) { return false; }

void ClearFileCallError() { errno = 0; }
std::string FileCallErrorText() { return std::strerror(errno); }
