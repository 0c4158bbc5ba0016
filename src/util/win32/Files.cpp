// File operations on Win32: reads, safe writes with DOS time stamps, sizes, free space, folder
// trees, searches over drives, the self-deleting batch file and the CD eject.
#include <windows.h>
// after windows.h
#include <winioctl.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/Handles.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/MessagePump.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/FolderEntries.h"
#include "util/win32/WinSys.h"

namespace {
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Str(std::string_view s) { return std::string(s); }

DWORD Attributes(std::string_view path) { return GetFileAttributesA(Str(path).c_str()); }

bool WriteAll(HANDLE f, std::string_view data) {
  const int64_t chunk = WriteChunkSize(int64_t(data.size()));
  while (!data.empty()) {
    DWORD piece = DWORD(data.size() < uint64_t(chunk) ? data.size() : size_t(chunk)), written = 0;
    if (!WriteFile(f, data.data(), piece, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

bool SetHandleDosTime(HANDLE f, uint32_t dosTime) {
  FILETIME local, utc;
  return DosDateTimeToFileTime(HIWORD(dosTime), LOWORD(dosTime), &local) && LocalFileTimeToFileTime(&local, &utc) &&
         SetFileTime(f, nullptr, nullptr, &utc);
}

bool Replace(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  // Systems without MoveFileEx: out with the old, in with the new.
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  DeleteFileA(to.c_str());
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

std::string ReadFileRange(std::string_view path, int64_t maxLen, int64_t start) {
  FileHandle f(
      CreateFileA(Str(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!f || !GetFileSizeEx(f.get(), &size)) return {};
  int64_t n = size.QuadPart - start;
  if (maxLen > 0 && maxLen < n) n = maxLen;
  if (start < 0 || start >= size.QuadPart || n <= 0 || uint64_t(n) > std::string().max_size()) return {};
  LARGE_INTEGER at;
  at.QuadPart = start;
  if (!SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN)) return {};
  std::string data(size_t(n), '\0');
  size_t done = 0;
  while (done < data.size()) {
    DWORD want = DWORD(data.size() - done < 0x40000000u ? data.size() - done : 0x40000000u), got = 0;
    if (!ReadFile(f.get(), data.data() + done, want, &got, nullptr) || got == 0) return {};
    done += got;
  }
  return data;
}

bool InputFile::Open(std::string_view path) {
  Close();
  HANDLE f = CreateFileA(Str(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(f, &size)) {
    CloseHandle(f);
    return false;
  }
  handle_ = intptr_t(f);
  size_ = size.QuadPart;
  return true;
}

int64_t InputFile::Read(char* buffer, int64_t n) {
  if (handle_ == -1 || n < 0) return -1;
  DWORD got = 0;
  const DWORD want = DWORD(n < 0x40000000 ? n : 0x40000000);
  if (!ReadFile(HANDLE(handle_), buffer, want, &got, nullptr)) return -1;
  return got;
}

void InputFile::Close() {
  if (handle_ != -1) CloseHandle(HANDLE(handle_));
  handle_ = -1;
  size_ = 0;
}

bool OutputFile::Open(std::string_view path, Mode mode) {
  Discard();
  path_ = Str(path);
  temp_.clear();
  oldSize_ = 0;
  // CREATE_NEW answers the existence question and makes the file in one call; OPEN_ALWAYS says
  // through ERROR_ALREADY_EXISTS whether the file was there.
  HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                         mode == Mode::kAppend ? OPEN_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = GetLastError();
  created_ = f != INVALID_HANDLE_VALUE && (mode == Mode::kReplace || error != ERROR_ALREADY_EXISTS);
  if (f == INVALID_HANDLE_VALUE && mode == Mode::kReplace &&
      (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && !DirectoryExists(path_)) {
    // A good file is there: the new content goes beside it until complete.
    temp_ = path_ + ".~" + IntToStr(GetCurrentProcessId());
    f = CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (f == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(f);
  if (mode == Mode::kAppend && !created_) {
    LARGE_INTEGER zero = {}, end = {};
    if (!SetFilePointerEx(f, zero, &end, FILE_END)) {
      CloseHandleOnly();
      return false;
    }
    oldSize_ = end.QuadPart;
  }
  return true;
}

bool OutputFile::Write(std::string_view data) { return IsOpen() && WriteAll(AsHandle(handle_), data); }

bool OutputFile::CloseHandleOnly() {
  const bool ok = CloseHandle(AsHandle(handle_)) != FALSE;
  handle_ = kClosed;
  return ok;
}

bool OutputFile::Finish(uint32_t dosTime) {
  if (!IsOpen()) return false;
  // The bytes are what counts: a stamp the system refuses (no valid date-time) keeps the time of
  // writing rather than undoing a complete write.
  if (dosTime != 0) SetHandleDosTime(AsHandle(handle_), dosTime);
  bool ok = CloseHandleOnly();
  if (!temp_.empty()) {
    ok = ok && !DirectoryExists(path_) && Replace(temp_, path_);
    if (!ok) DeleteFileA(temp_.c_str());
  } else if (!ok && created_) {
    DeleteFileA(path_.c_str());
  }
  temp_.clear();
  return ok;
}

void OutputFile::Discard() {
  if (!IsOpen()) return;
  if (temp_.empty() && !created_) {
    LARGE_INTEGER end;
    end.QuadPart = oldSize_;
    SetFilePointerEx(AsHandle(handle_), end, nullptr, FILE_BEGIN);
    SetEndOfFile(AsHandle(handle_));
  }
  CloseHandleOnly();
  if (!temp_.empty()) {
    DeleteFileA(temp_.c_str());
  } else if (created_) {
    DeleteFileA(path_.c_str());
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
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(std::string_view path) {
  std::string p = SetTrailingBackslash(ReplaceChar(path, '/', '\\'), false);
  if (p.empty()) return false;
  if (DirectoryExists(p)) return true;
  std::string parent = ExtractFileDir(p);
  // Stops at a drive ("C:") or a share root, which cannot be made.
  if (!parent.empty() && parent != p && parent.back() != ':' && !DirectoryExists(parent) && !ForceDirectories(parent))
    return false;
  return CreateDirectoryA(p.c_str(), nullptr) || DirectoryExists(p);
}

bool DeleteFileByName(std::string_view path) { return DeleteFileA(Str(path).c_str()) != FALSE; }

bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite) {
  return CopyFileA(Str(from).c_str(), Str(to).c_str(), !overwrite) != FALSE;
}

int64_t GetFileSizeByName(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(Str(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

uint32_t GetFileDosTime(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!GetFileAttributesExA(Str(path).c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return uint32_t(date) << 16 | time;
}

bool SetFileDosTime(std::string_view path, uint32_t dosTime) {
  FileHandle f(
      CreateFileA(Str(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return f && dosTime != 0 && SetHandleDosTime(f.get(), dosTime);
}

double DiskFreeBytes(std::string_view path) {
  using GetFreeEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  static const GetFreeEx getFreeEx = LoadProcAs<GetFreeEx>("kernel32.dll", "GetDiskFreeSpaceExA");
  const std::string p = ReplaceChar(path, '/', '\\');
  if (p.empty()) return 0;
  std::string root = std::string(1, char(toupper(uint8_t(p[0])))) + ":\\";
  if (StartsWith("\\\\", p, false)) {
    // A share's root is \\server\share\; the cut below would stop at \\server.
    size_t share = p.find('\\', 2);
    size_t end = share == std::string::npos ? std::string::npos : p.find('\\', share + 1);
    root = end == std::string::npos ? p + "\\" : p.substr(0, end + 1);
  }
  if (getFreeEx) {
    ULARGE_INTEGER avail, total, free;
    size_t cut = p.find('\\', 3);
    std::string first = cut == std::string::npos ? p : p.substr(0, cut);
    if (getFreeEx(first.c_str(), &avail, &total, &free) || getFreeEx(root.c_str(), &avail, &total, &free))
      return double(avail.QuadPart);
    return 0;
  }
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return 0;
  return double(freeClusters) * sectorsPerCluster * bytesPerSector;
}

bool DeleteFilesByMask(std::string_view mask, bool clearAttributes) {
  const std::string folder = ExtractFileDir(mask);
  bool found = false;
  ForEachEntry(mask, [&](const WIN32_FIND_DATAA& fd) {
    if (IsFolderEntry(fd)) return false;
    found = true;
    const std::string file = folder.empty() ? fd.cFileName : folder + "\\" + fd.cFileName;
    if (clearAttributes) SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
    return false;
  });
  return found;
}

bool RemoveFolderTree(std::string_view folder, bool clearAttributes) {
  if (folder.empty()) return false;
  const std::string dir = Str(folder);
  int count = DirectoryExists(dir) ? 1 : 0;
  DeleteFilesByMask(dir + "\\*.*", clearAttributes);
  ForEachEntry(dir + "\\*.*", [&](const WIN32_FIND_DATAA& fd) {
    if (!IsFolderEntry(fd) || IsDotEntry(fd)) return false;
    const std::string sub = dir + "\\" + fd.cFileName;
    // A junction is removed itself; what it points to is not ours.
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveFolderTree(sub, clearAttributes);
    RemoveDirectoryA(sub.c_str());
    return false;
  });
  RemoveDirectoryA(dir.c_str());
  if (Attributes(dir) == INVALID_FILE_ATTRIBUTES) ++count;
  return count == 2;
}

std::string FindFileInTree(std::string_view folder, std::string_view name) {
  const std::string dir = Str(folder);
  const std::string candidate = SetTrailingBackslash(dir, true) + Str(name);
  if (FileExists(candidate)) return candidate;
  std::string hit;
  ForEachSubfolder(SetTrailingBackslash(dir, false), [&](const std::string& sub) {
    hit = FindFileInTree(sub, name);
    PumpMessages(0);
    return !hit.empty();
  });
  return hit;
}

std::string FindFolderInTree(std::string_view folder, std::string_view name) {
  const std::string dir = SetTrailingBackslash(folder, false);
  if (EndsWith("\\" + Str(name), dir, true)) return dir;
  std::string hit;
  ForEachSubfolder(dir, [&](const std::string& sub) {
    hit = FindFolderInTree(sub, name);
    PumpMessages(0);
    return !hit.empty();
  });
  return hit;
}

std::string FindFileOnDrives(std::string_view name, unsigned driveType) {
  return SearchDrives(driveType, [&](const std::string& root) { return FindFileInTree(root, name); });
}

std::string FindFolderOnDrives(std::string_view folderOrName, unsigned driveType) {
  if (folderOrName.size() >= 3 && folderOrName.substr(1, 2) == ":\\") {
    const std::string root = Str(folderOrName.substr(0, 3));
    return GetDriveTypeA(root.c_str()) == driveType && DirectoryExists(folderOrName) ? Str(folderOrName) : "";
  }
  return SearchDrives(driveType, [&](const std::string& root) { return FindFolderInTree(root, folderOrName); });
}

void DeleteMySelf(bool removeFolder, bool shortNames) {
  const std::string tempDir = GetTempDir(true);
  std::string batch = tempDir + "_DEL_ME_.BAT";
  std::string exe = OwnExePath();
  std::string dir = ExtractFileDir(exe);
  if (shortNames) {
    // A short name exists only for an existing file, so the batch file is made first.
    WriteFileData(batch, "ABC\r\n");
    auto shortName = [](const std::string& path) {
      std::string buf(MAX_PATH + 1, '\0');
      DWORD n = GetShortPathNameA(path.c_str(), buf.data(), DWORD(buf.size()));
      if (n == 0 || n >= buf.size()) return path;
      buf.resize(n);
      return buf;
    };
    batch = shortName(batch);
    exe = shortName(exe);
    dir = shortName(dir);
    DeleteFileA(batch.c_str());
  }
  // Out of our own folder, so that the batch file's RD can remove it once we have ended.
  SetCurrentDirectoryA(SetTrailingBackslash(tempDir, false).c_str());
  if (!WriteFileData(batch, SelfDeleteScript(exe, dir, batch, removeFolder, !shortNames))) return;
  // WinExec splits its command at blanks; a temporary folder under a user name may hold some.
  const std::string command = batch.find(' ') == std::string::npos ? batch : "\"" + batch + "\"";
  WinExec(command.c_str(), SW_HIDE);
}

bool EjectCD(std::string_view path) {
  if (path.empty()) return false;
  const char letter = char(toupper(uint8_t(path[0])));
  if (letter < 'A' || letter > 'Z') return false;
  const std::string root = std::string(1, letter) + ":\\";
  if (GetDriveTypeA(root.c_str()) != DRIVE_CDROM) return false;
  const std::string device = std::string("\\\\.\\") + letter + ":";
  FileHandle f(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  DebugLn("EjectCD-2: " + device + " " + IntToStr(int64_t(reinterpret_cast<intptr_t>(f.get()))));
  if (!f) {
    f.reset(CreateFileA(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                        nullptr));
    DebugLn("EjectCD-3: " + device + " " + IntToStr(int64_t(reinterpret_cast<intptr_t>(f.get()))));
  }
  if (!f) return false;
  DWORD returned = 0;
  return DeviceIoControl(f.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

bool IsFixedDrive(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  return GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}

void ClearFileCallError() {
  SetLastError(0);
  errno = 0;
}

std::string FileCallErrorText() {
  const int err = errno;
  if (GetLastError() != 0) return LastErrorText();
  return std::strerror(err);
}
