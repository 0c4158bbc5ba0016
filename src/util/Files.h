// File and folder operations on 8-bit paths. Failures are reported by result, never thrown.
// The Win32 layer implements them with the real calls; the host build implements the same
// contract on POSIX so that extraction and the builder run and are tested natively (there a
// "\" in a path is taken as a folder separator).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/System.h"

// Data larger than this is written in pieces.
inline constexpr int64_t kLargeWriteChunk = 1048576;
// Size of each piece when writing len bytes: one write up to kLargeWriteChunk, else len / 10
// limited to 1024..1048576.
int64_t WriteChunkSize(int64_t len);

// Packed MS-DOS date-time: date in the high 16 bits, time of day in the low 16; 0 = none.
uint32_t DateTimeToDos(const DateTime& dt);
DateTime DosToDateTime(uint32_t dos);
// True when dos names a real date and time: month 1..12, a day of that month, hour below 24,
// minute below 60, seconds below 60. The system sets no other stamp on a file.
bool IsValidDosTime(uint32_t dos);

// Bytes from start to the end of the file, at most maxLen (0 = no limit); empty when the file
// is missing, start is not inside it, or fewer bytes than expected could be read.
std::string ReadFileRange(std::string_view path, int64_t maxLen = 0, int64_t start = 0);
// A file read front to back through one open handle into the caller's buffer: a long read (a
// checksum over a large file) costs one open and no copies.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the path names no readable file.
  bool Open(std::string_view path);
  int64_t Size() const { return size_; }
  // Reads up to n bytes from the current position: the count read, 0 at the end, -1 on an error.
  int64_t Read(char* buffer, int64_t n);
  void Close();

 private:
  intptr_t handle_ = -1;
  int64_t size_ = 0;
};

// Creates (or with append, extends) the file through an OutputFile; sets the DOS time stamp when
// every byte was written and dosTime != 0. True when every byte was written: a stamp that cannot be
// set (one that is no valid date-time) leaves the time of writing and fails nothing.
bool WriteFileData(std::string_view path, std::string_view data, uint32_t dosTime = 0, bool append = false);
bool AppendText(std::string_view path, std::string_view text);

// A file written in pieces through one open handle, so that data arriving piece by piece (an
// entry of a package, a copy made in chunks) costs one open and one close. What it leaves is all
// or nothing: Finish keeps the whole, Discard (or destruction before Finish) takes back what this
// writer did, so a half-written file never stays, least of all in place of a good one.
class OutputFile {
 public:
  enum class Mode {
    kAppend,   // extends the file, creating it when absent
    kReplace,  // new content: written straight into the path when no file is there, else into a
               // temporary file beside it that replaces the old file only once complete
  };
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens path for writing; false when that is not possible (nothing is left behind). The open
  // itself tells whether a file was there: no separate existence test.
  bool Open(std::string_view path, Mode mode);
  bool IsOpen() const { return handle_ != kClosed; }
  // Whether Open found no file at the path, so this writer is making it.
  bool Created() const { return created_; }
  const std::string& Path() const { return path_; }
  // Appends data; false when not every byte was written.
  bool Write(std::string_view data);
  // Sets the DOS time stamp when dosTime != 0 (one the system refuses leaves the time of writing),
  // closes, and puts a replacement in place. True when the file is complete in its place;
  // otherwise the writer discards what it wrote and returns false.
  bool Finish(uint32_t dosTime);
  // Takes back what this writer did: a file it made is deleted, an extended file cut back to its
  // old length, a replacement's temporary file deleted (the old file stays as it was).
  void Discard();

 private:
  static constexpr intptr_t kClosed = -1;
  bool CloseHandleOnly();
  std::string path_, temp_;  // temp_: the replacement's temporary file, when a file was there
  intptr_t handle_ = kClosed;
  int64_t oldSize_ = 0;
  bool created_ = false;
};
bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
bool ForceDirectories(std::string_view path);  // makes the folder and its missing parents
bool DeleteFileByName(std::string_view path);
bool CopyFileTo(std::string_view from, std::string_view to, bool overwrite);
int64_t GetFileSizeByName(std::string_view path);  // 0 when not found
uint32_t GetFileDosTime(std::string_view path);    // 0 when not found
bool SetFileDosTime(std::string_view path, uint32_t dosTime);
std::string FileNameStem(std::string_view path, bool allExtensions);
double DiskFreeBytes(std::string_view path);
bool DeleteFilesByMask(std::string_view mask, bool clearAttributes);
bool RemoveFolderTree(std::string_view folder, bool clearAttributes);
std::string FindFileInTree(std::string_view folder, std::string_view name);
std::string FindFolderInTree(std::string_view folder, std::string_view name);
std::string FindFileOnDrives(std::string_view name, unsigned driveType);
std::string FindFolderOnDrives(std::string_view folderOrName, unsigned driveType);
// Writes and starts the self-deleting batch file; the program ends right after.
void DeleteMySelf(bool removeFolder, bool shortNames);
// The lines of that batch file, CR LF after each (pure; for DeleteMySelf and its tests).
std::string SelfDeleteScript(std::string_view exe, std::string_view dir, std::string_view batch, bool removeFolder,
                             bool quoted);
bool EjectCD(std::string_view path);
// Whether the root letter + ":\" is a fixed disk (never on the host, which has no drive letters).
bool IsFixedDrive(char letter);

// The reason for a failed C library file call (fopen, fwrite, fclose, rename): clear before the
// call, read after it. The platform's error text where the call left an error code, else the C
// library's: msvcrt reports a write cut short by a full disk in errno alone.
void ClearFileCallError();
std::string FileCallErrorText();
