// The extraction walk. Each entry block is read in chunks of at most 64 KiB, its header taken up
// to the first 0x00, and its data appended to the target as it comes, so neither a block nor its
// inflated content is ever held whole. Stored chunks are read, and compressed ones inflated,
// straight into the write buffer, which every entry of the walk shares: no copy, no allocation.
// The pieces of one name are written through one open file, and the open itself says whether the
// file was there, so a small entry costs the system about what writing a file costs: an open, a
// write, the stamp and a close.
#include "pack/UnPack.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "pack/ExtractBuffers.h"
#include "pack/ExtractPump.h"
#include "pack/PackFile.h"
#include "pack/PackX.h"
#include "pack/ZLibOpen.h"
#include "platform/System.h"
#include "util/Files.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/VSUB.h"

namespace {
int saveFailures = 0;

// The file the walk writes into. Consecutive blocks of one name (the pieces of a large entry, on
// one part file or running on into the next) go through one open file, which is stamped and closed
// when another name comes or the walk ends. An entry that cannot be written whole leaves nothing:
// a file it made goes again, a file it extended is cut back to its old length.
class TargetFile {
 public:
  // folder: the output folder, which the walk makes itself.
  TargetFile(ExtractUI& ui, const std::string& folder) : ui_(ui), folderLength_(folder.size()) {}
  // Left when a damaged entry ends the walk: an entry that the broken block had begun was abandoned
  // already, so what is still open is complete as far as the walk got.
  ~TargetFile() {
    if (file_.IsOpen()) file_.Finish(stamp_);
  }

  // Starts a piece of the entry at target; a piece of the entry before it continues that entry.
  // Advances the progress when no file was there.
  void Begin(const std::string& target, uint32_t stamp) {
    const bool continues = target == target_ && (file_.IsOpen() || failed_);
    if (!continues) End();
    pieceSize_ = 0;
    stamp_ = stamp;
    if (continues) return;
    target_ = target;
    failed_ = reported_ = false;
    if (!Open()) Fail();
    if (file_.IsOpen() ? file_.Created() : !FileExists(target_)) ui_.Step({});
  }

  void Write(std::string_view data) {
    pieceSize_ += int64_t(data.size());
    if (!failed_ && !file_.Write(data)) Fail();
  }

  // After the last byte of a piece: the first failure of the process is shown once.
  void EndPiece() {
    if (!failed_ || reported_) return;
    reported_ = true;
    if (++saveFailures == 1) ui_.ShowError(SaveFailureText());
  }

  // The entry is complete: its stamp (the last piece's) is set and the file closed.
  void End() {
    if (file_.IsOpen() && !file_.Finish(stamp_)) {
      Fail();
      EndPiece();
    }
    target_.clear();
  }

  // The entry's stream broke: what it wrote goes.
  void Abandon() {
    file_.Discard();
    target_.clear();
  }

 private:
  bool Open() {
    if (file_.Open(target_, OutputFile::Mode::kAppend)) return true;
    // The entry's folder is made when its first file cannot be opened, not tested for each entry.
    const std::string dir = ExtractFileDir(target_);
    return dir.size() > folderLength_ && ForceDirectories(dir) && file_.Open(target_, OutputFile::Mode::kAppend);
  }

  void Fail() {
    if (!failed_) errorText_ = LastErrorText();
    failed_ = true;
    file_.Discard();
  }

  std::string SaveFailureText() const {
    return target_ + "<P><P>Unable to save Extracted File!<P><P>" + errorText_ + "<P>" + "  Data Size: <T>" +
           IntToStr(pieceSize_) + " Bytes<P>" + "  File Size:  <T>" + IntToStr(GetFileSizeByName(target_)) +
           " Bytes<P>" + "  Bytes Free: <T>" + IntToStr(int64_t(DiskFreeBytes(target_))) + " Bytes";
  }

  ExtractUI& ui_;
  const size_t folderLength_;
  OutputFile file_;
  std::string target_, errorText_;
  uint32_t stamp_ = 0;
  int64_t pieceSize_ = 0;
  bool failed_ = false, reported_ = false;
};

// Receives one entry block's content in pieces, each placed by its producer in Space(), and hands
// the data on to the target in writes of up to kWriteChunk.
class EntryWriter {
 public:
  EntryWriter(std::string_view outputFolder, std::string& markedEntry, TargetFile& target, char* buffer)
      : folder_(outputFolder), marked_(markedEntry), target_(target), buffer_(buffer) {}

  // Where the next piece goes: kReadChunk bytes after the data collected so far.
  std::span<char> Space() { return {buffer_ + used_, kReadChunk}; }

  // Takes the size bytes just placed in Space().
  void Commit(size_t size) {
    std::string_view bytes(buffer_ + used_, size);
    if (state_ == State::kHeader) {
      bytes = TakeHeader(bytes);
      // The data after the header stay where they are; the first write starts there.
      if (state_ == State::kData) used_ = start_ = size_t(bytes.data() - buffer_);
    }
    if (state_ != State::kData || bytes.empty()) return;
    used_ += bytes.size();
    if (used_ - start_ >= kWriteChunk) Write();
  }

  // After the last piece of the block. An entry without a header writes nothing.
  void Finish() {
    if (state_ != State::kData) return;
    Write();
    target_.EndPiece();
  }

  // The entry's stream broke: no half entry stays.
  void Abandon() {
    if (state_ == State::kData) target_.Abandon();
  }

 private:
  enum class State { kHeader, kData, kSkip };

  std::string_view TakeHeader(std::string_view bytes) {
    size_t zero = bytes.find('\0');
    header_.append(bytes.substr(0, zero));
    if (zero == std::string_view::npos) {
      if (header_.size() > kMaxHeader) state_ = State::kSkip;
      return {};
    }
    StartEntry();
    return bytes.substr(zero + 1);
  }

  void StartEntry() {
    state_ = State::kSkip;
    if (header_.empty()) return;
    std::string name = SUB::Get(header_, 0);
    const std::string stampText = SUB::Get(header_, 1);
    const size_t star = name.find('*');
    const std::string fileName = name.substr(0, star);
    if (!IsSafeEntryName(fileName)) {
      DebugLn(IntToStr(CurrentProcessId()) + " Entry refused, its name leaves the folder: " + fileName);
      return;
    }
    if (header_.find('*') != std::string::npos) marked_ = header_;
    if (star != std::string::npos) marked_ = name;
    int64_t stamp = StrToInt64Def(stampText, 0);
    target_.Begin(folder_ + "\\" + fileName, stamp > 0 && stamp <= 0xFFFFFFFFll ? uint32_t(stamp) : 0);
    state_ = State::kData;
  }

  void Write() {
    target_.Write(std::string_view(buffer_ + start_, used_ - start_));
    used_ = start_ = 0;
  }

  std::string folder_;
  std::string& marked_;
  TargetFile& target_;
  State state_ = State::kHeader;
  std::string header_;
  char* buffer_;
  // The collected data are buffer_[start_, used_); start_ is past the header, and 0 after a write.
  size_t start_ = 0, used_ = 0;
};

// How one entry block ended.
enum class BlockEnd { Done, Short, Damaged };

// Streams n bytes from the file's current position to the writer, inflating when compressed.
// Short when the file ends early or the user cancelled, Damaged (zlib's code in zlibCode) for a
// broken stream; either way the entry's file goes.
BlockEnd ExtractEntryBlock(PackFile& file, int64_t n, bool compressed, EntryWriter& writer, char* readBuffer,
                           ExtractUI& ui, ExtractPump& pump, int& zlibCode) {
  std::unique_ptr<TInflateStream> inflater;
  if (compressed) inflater = std::make_unique<TInflateStream>();
  auto toWriter = [&](std::string_view piece) {
    writer.Commit(piece.size());
    pump.IfDue();
  };
  const TInflateStream::Space space = [&writer] { return writer.Space(); };
  auto damaged = [&](int code) {
    writer.Abandon();
    zlibCode = code;
    return BlockEnd::Damaged;
  };
  if (inflater && inflater->Error() != Z_OK) return damaged(inflater->Error());
  while (n > 0) {
    size_t want = size_t(std::min<int64_t>(n, int64_t(kReadChunk)));
    size_t got = file.Read(compressed ? readBuffer : writer.Space().data(), want);
    if (got == 0) {
      writer.Abandon();
      return BlockEnd::Short;
    }
    n -= int64_t(got);
    pump.IfDue();
    if (ui.Cancelled()) {
      writer.Abandon();
      return BlockEnd::Short;
    }
    if (!compressed) {
      writer.Commit(got);
    } else if (inflater->Feed(std::string_view(readBuffer, got), toWriter, space)) {
      break;
    } else if (inflater->Error() != Z_OK) {
      return damaged(inflater->Error());
    }
  }
  // A compressed block whose stream has not ended is truncated.
  if (inflater && !inflater->Ended()) return damaged(Z_BUF_ERROR);
  writer.Finish();
  return BlockEnd::Done;
}

// The agent copy: the stub and meta blocks of the first file (its first entriesStart bytes), the
// end mark's low half cleared, then the first file's trailer with the auto-update flag set.
void WriteAgentCopy(std::string_view sourcePath, std::string_view outputFolder, std::string_view agentName,
                    int64_t entriesStart) {
  if (entriesStart <= 0) return;
  TPackTrailer trailer;
  ReadTrailer(sourcePath, trailer);
  trailer.SetAutoUpdateFlag(1);
  trailer.SetLength(kTrailerSize);
  const std::string target = std::string(outputFolder) + "\\" + ExtractFileName(agentName);
  PackFile file(sourcePath);
  std::vector<char> chunk(kReadChunk);
  // One file for the whole copy; an agent already there is replaced only by a complete one.
  OutputFile out;
  bool ok = file.Seek(0) && out.Open(target, OutputFile::Mode::kReplace);
  for (int64_t done = 0; ok && done < entriesStart;) {
    size_t got = file.Read(chunk.data(), size_t(std::min<int64_t>(entriesStart - done, int64_t(kReadChunk))));
    if (got == 0) {
      ok = false;
      break;
    }
    for (int i = 0; i < 4; ++i) {
      int64_t at = kPackageEndLowOffset + i - done;
      if (at >= 0 && at < int64_t(got)) chunk[size_t(at)] = 0;
    }
    ok = out.Write(std::string_view(chunk.data(), got));
    done += int64_t(got);
  }
  ok = ok && out.Write(trailer.View()) && out.Finish(GetFileDosTime(sourcePath));
  DebugLn(IntToStr(CurrentProcessId()) + " New AU-Agent: " + target + (ok ? "" : " (not written)"));
}

// The walk itself. A damaged compressed entry ends it at once, with zlib's code in zlibCode.
void ExtractParts(std::string_view sourcePath, std::string_view outputFolder, std::string_view agentName, bool& ok,
                  ExtractUI& ui, bool forcePrompt, std::string& markedEntry, bool& carryOn, int& zlibCode) {
  const int64_t startTick = TickMs();
  const std::string folder(outputFolder);
  carryOn = true;
  int part = 1;
  std::string current(sourcePath);
  TPackTrailer trailer;
  markedEntry.clear();
  ok = false;
  ui.Reset(0, 0, 1);
  int blockIndex = 0;
  int64_t entriesStart = 0;
  ExtractBuffers buffers;
  ExtractPump pump(ui);
  TargetFile target(ui, folder);

  for (;;) {
    bool truncated = false;
    if (FileExists(current)) {
      trailer.Clear();
      // A file of the set without a trailer of ours (empty, too short, zeros, a foreign magic) is
      // damaged, whatever its checksum says: an unread trailer stores none, and zeros can even
      // sum to the value that turns the check off.
      const bool readable = ReadTrailer(current, trailer) && trailer.Magic() == kPackMagic;
      int64_t pos = trailer.FirstBlockOffset();
      if (part == 1) DebugLn("FileInfo.FilesCount=" + IntToStr(trailer.EntryCount()));
      if (!readable) DebugLn("No package trailer in " + current);
      ok = readable && ChecksumAccepted(trailer.Checksum(), ComputePackageChecksum(current, trailer.Length()));
      if (!ok) break;

      PackFile file(current);
      int64_t end = file.Size();
      if (IsStubExecutable(file)) {
        uint64_t mark = ReadPackageEnd(file);
        if (mark) end = int64_t(std::min<uint64_t>(mark, uint64_t(INT64_MAX)));
      }
      const int64_t limit = std::min(end, file.Size());
      DebugLn("FileLen=" + IntToStr(end));
      if (part == 1) ui.Reset(int(trailer.EntryCount()), 0, 1);
      if (!ForceDirectories(folder)) ui.ShowError(folder + "<P><P>Unable to create Directory!<P><P>" + LastErrorText());
      while (end - pos > kTrailerSize) {
        pump.IfDue();
        if (ui.Cancelled()) break;
        uint32_t stored = 0;
        const int64_t length = file.ReadU32At(pos, stored) ? int32_t(stored) : 0;
        const int64_t n = std::abs(length);
        if (pos + 4 + n > limit) {
          // A length that runs past the end of the file would wait for bytes that never come.
          DebugLn("Block at " + IntToStr(pos) + " runs past the end of " + current);
          truncated = true;
          break;
        }
        pos += n + 4;
        ++blockIndex;
        if (blockIndex == trailer.MetaBlockCount()) entriesStart = pos;
        if (blockIndex <= trailer.MetaBlockCount()) continue;
        EntryWriter writer(folder, markedEntry, target, buffers.write.get());
        const BlockEnd blockEnd = ExtractEntryBlock(file, n, length > 0, writer, buffers.read.get(), ui, pump, zlibCode);
        // A damaged entry ends the walk where it stands: no more entries, no closing pause.
        if (blockEnd == BlockEnd::Damaged) return;
        if (blockEnd == BlockEnd::Short) {
          truncated = true;
          break;
        }
      }
      if (part == 1 && !ui.Cancelled() && !ExtractFileName(agentName).empty() &&
          (EndsWith(".exe", sourcePath, true) || EndsWith(".exe.001", sourcePath, true)))
        WriteAgentCopy(sourcePath, folder, agentName, entriesStart);
    }
    if (truncated || ui.Cancelled() || !trailer.HasOption(kOptionContinued)) break;

    ui.EnableAutoPlayCancel();
    ++part;
    current = PartFilePath(sourcePath, part);
    if (forcePrompt || !FileExists(current)) {
      EjectCD(current);
      do {
        carryOn = ui.ConfirmNextDisk(part);
        ui.WaitPumping(500);
      } while (!FileExists(current) && carryOn && !ui.Cancelled());
    }
    ui.Step({});
    if (!carryOn || ui.Cancelled()) break;
  }

  target.End();
  // A cancelled walk starts nothing, whatever it extracted before.
  if (!carryOn || ui.Cancelled()) markedEntry.clear();
  DebugLn("UnCompressTime: " + IntToStr(TickMs() - startTick) + " MS");
  DebugLn();
  ui.WaitPumping(500);
}
}  // namespace

void ResetSaveFailureCount() { saveFailures = 0; }

ExtractResult ExtractPackage(std::string_view sourcePath, std::string_view outputFolder, std::string_view agentName,
                             ExtractUI& ui, bool forcePrompt) {
  ExtractResult result;
  bool carryOn = true;
  int zlibCode = Z_OK;
  ExtractParts(sourcePath, outputFolder, agentName, result.checksumOk, ui, forcePrompt, result.markedEntry, carryOn,
               zlibCode);
  const bool damaged = zlibCode != Z_OK;
  if (damaged) result.zlibError = ZLibErrorText(zlibCode);
  // A closed window is a cancel, whatever the walk met before it stopped.
  if (ui.Cancelled() || (!damaged && result.checksumOk && !carryOn)) {
    result.end = ExtractEnd::Cancelled;
  } else if (damaged) {
    result.end = ExtractEnd::DamagedEntry;
  } else {
    result.end = result.checksumOk ? ExtractEnd::Done : ExtractEnd::NotAccepted;
  }
  return result;
}
