// The package builder: the files it writes, the entries spread across parts, and the whole run.
// See PackWriter.h; the blocks are laid out in PackBlocks.cpp, the job checked in PackJobCheck.cpp.
#include "pack/PackWriter.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>

#include "util/Utils.h"

namespace {

constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode)); }

// 64-bit positions: the 32-bit Windows runtime's fseek stops at 2 GB.
bool SeekTo(std::FILE* f, int64_t pos, int whence = SEEK_SET) {
#ifdef _WIN32
  return _fseeki64(f, pos, whence) == 0;
#else
  return fseeko(f, off_t(pos), whence) == 0;
#endif
}
int64_t FileSize(std::FILE* f) {
  if (!SeekTo(f, 0, SEEK_END)) return -1;
#ifdef _WIN32
  return _ftelli64(f);
#else
  return int64_t(ftello(f));
#endif
}


// --- one output file

class OutFile {
 public:
  // A file of the package: with stub (an executable package) or without (a later part file).
  std::string Open(const std::string& path, std::string_view stub, std::string_view meta) {
    path_ = path;
    tmp_ = path + ".mkpack-tmp";
    file_ = OpenFile(tmp_, "w+b");
    if (!file_) return "cannot create " + tmp_;
    exe_ = !stub.empty();
    firstBlock_ = uint32_t(stub.size());
    size_ = 0;
    entries_ = 0;
    if (auto e = Write(stub); !e.empty()) return e;
    return Write(meta);
  }
  std::string Write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
      return "cannot write " + tmp_;
    size_ += int64_t(bytes.size());
    return {};
  }
  std::string AddEntryBlock(std::string_view block) {
    ++entries_;
    return Write(block);
  }
  // Overwrites bytes already written (the web block's size field).
  std::string Patch(int64_t at, std::string_view bytes) {
    if (!SeekTo(file_.get(), at) || std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
        !SeekTo(file_.get(), 0, SEEK_END))
      return "cannot write " + tmp_;
    return {};
  }
  // Trailer, end mark and checksum; closes the file.
  std::string Finish(PackTrailerFields fields, bool checksum) {
    fields.firstBlock = firstBlock_;
    fields.checksum = 0;
    int64_t trailerAt = size_;
    if (auto e = Write(BuildTrailer(fields)); !e.empty()) return e;
    if (exe_)
      if (auto e = Patch(kPackageEndHighOffset, PackageEndBytes(uint64_t(size_))); !e.empty()) return e;
    uint32_t sum = kChecksumDisabled;
    if (checksum) {
      if (std::fflush(file_.get()) != 0) return "cannot write " + tmp_;
      // The checksum reads the file through the stream it was written with.
      struct {
        std::FILE* f;
        bool Seek(int64_t offset) { return SeekTo(f, offset); }
        size_t Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, f); }
      } source{file_.get()};
      sum = PackageChecksum(size_, source, kTrailerSize);
    }
    TPackTrailer sumField;
    sumField.SetChecksum(sum);
    if (auto e = Patch(trailerAt + kTrailerChecksumAt, sumField.View().substr(kTrailerChecksumAt, 4)); !e.empty())
      return e;
    if (std::fclose(file_.release()) != 0) return "cannot write " + tmp_;
    return {};
  }
  int64_t Size() const { return size_; }
  int Entries() const { return entries_; }
  const std::string& TempPath() const { return tmp_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_, tmp_;
  FilePtr file_;
  bool exe_ = false;
  uint32_t firstBlock_ = 0;
  int64_t size_ = 0;
  int entries_ = 0;
};

// Collects the written files under temporary names; they replace the real names only at the end.
class OutputSet {
 public:
  ~OutputSet() {
    for (const auto& [tmp, path] : done_) std::remove(tmp.c_str());
    if (current_) std::remove(current_->TempPath().c_str());
  }
  OutFile& Start() {
    if (current_) Abandon();
    current_ = std::make_unique<OutFile>();
    return *current_;
  }
  std::string Finish(const PackTrailerFields& fields, bool checksum) {
    auto e = current_->Finish(fields, checksum);
    if (e.empty()) done_.emplace_back(current_->TempPath(), current_->Path());
    current_.reset();
    return e;
  }
  std::string Commit(std::vector<std::string>* written) {
    for (const auto& [tmp, path] : done_) {
#ifdef _WIN32
      std::remove(path.c_str());  // the runtime's rename does not replace an existing file there
#endif
      if (std::rename(tmp.c_str(), path.c_str()) != 0) return "cannot rename " + tmp + " to " + path;
      if (written) written->push_back(path);
    }
    done_.clear();
    return {};
  }

 private:
  void Abandon() {
    std::remove(current_->TempPath().c_str());
    current_.reset();
  }
  std::vector<std::pair<std::string, std::string>> done_;
  std::unique_ptr<OutFile> current_;
};

// --- entries across parts

struct Item {
  const PackFileSource* src;
  std::string name;  // as stored
  int64_t size;
};

// The chain of files the entry blocks go into: the first one (an executable package), then part
// files named after base when a part is full.
class PartChain {
 public:
  PartChain(OutputSet& out, const PackJob& job, PackTrailerFields fields, std::string base, int64_t limit)
      : out_(out), job_(job), fields_(fields), base_(std::move(base)), limit_(limit) {}

  std::string OpenFirst(const std::string& path, std::string_view meta) {
    part_ = 1;
    file_ = &out_.Start();
    return file_->Open(path, job_.stub, meta);
  }
  int64_t Room() const { return limit_ == kNoLimit ? kNoLimit : limit_ - file_->Size() - kTrailerSize; }
  bool HasEntries() const { return file_->Entries() > 0; }
  std::string Add(std::string_view block) { return file_->AddEntryBlock(block); }
  OutFile& Current() { return *file_; }
  std::string Next() {
    if (part_ >= kPackMaxParts) return "more than 999 part files would be needed";
    if (auto e = Close(true); !e.empty()) return e;
    ++part_;
    file_ = &out_.Start();
    return file_->Open(PackPartName(base_, part_), {}, {});
  }
  std::string Close(bool continued) {
    PackTrailerFields f = fields_;
    if (continued) f.options |= kOptionContinued;
    return out_.Finish(f, job_.checksum);
  }

 private:
  OutputSet& out_;
  const PackJob& job_;
  PackTrailerFields fields_;
  std::string base_;
  int64_t limit_;
  int part_ = 0;
  OutFile* file_ = nullptr;
};

std::string ReadPiece(std::FILE* in, const PackFileSource& src, int64_t at, int64_t len, std::string& out) {
  if (src.path.empty()) {
    out.assign(src.data, size_t(at), size_t(len));
    return {};
  }
  out.resize(size_t(len));
  if (!SeekTo(in, at) || std::fread(out.data(), 1, out.size(), in) != out.size())
    return "cannot read " + src.path + " (did it change while packing?)";
  return {};
}

std::string PackItem(PartChain& chain, const Item& item, int level, int64_t& done, int64_t total,
                     const PackProgress& progress) {
  FilePtr in;
  if (!item.src->path.empty() && !(in = OpenFile(item.src->path, "rb"))) return "cannot open " + item.src->path;
  const std::string header = BuildEntryHeader(item.name, item.src->dosTime);
  const int64_t headerLen = int64_t(header.size());
  int64_t at = 0;
  std::string data;
  for (;;) {
    const int64_t left = item.size - at;
    const int64_t room = chain.Room();
    if (room < 4 + headerLen + (left > 0 ? 1 : 0)) {
      if (!chain.HasEntries()) return "the part size is too small to hold a piece of " + item.name;
      if (auto e = chain.Next(); !e.empty()) return e;
      continue;
    }
    if (auto e = ReadPiece(in.get(), *item.src, at, std::min(left, kPackPieceSize), data); !e.empty()) return e;
    std::string block = BuildEntryBlock(header + data, level);
    // Too big for what is left of the part: shrink the piece; stored raw, roomStored bytes
    // always fit, and a compressed block is only chosen when it is smaller.
    for (int tries = 0; int64_t(block.size()) > room; ++tries) {
      const int64_t roomStored = room - 4 - headerLen;
      int64_t guess = int64_t(data.size()) * room / int64_t(block.size()) * 15 / 16;
      guess = tries < 3 ? std::max(guess, roomStored) : roomStored;
      data.resize(size_t(std::min<int64_t>(guess, int64_t(data.size()) - 1)));
      block = BuildEntryBlock(header + data, level);
    }
    if (auto e = chain.Add(block); !e.empty()) return e;
    at += int64_t(data.size());
    done += int64_t(data.size());
    if (progress) progress(done, total, item.name);
    if (at >= item.size) return {};
  }
}

std::string SourceSize(const PackFileSource& src, int64_t& size) {
  if (src.path.empty()) {
    size = int64_t(src.data.size());
    return {};
  }
  FilePtr f = OpenFile(src.path, "rb");
  if (!f || (size = FileSize(f.get())) < 0) return "cannot read " + src.path;
  return {};
}

// A package without update settings still carries a token; a token that decodes to nothing is
// refused by the reader, and a fixed one would tie unrelated packages together.
std::string RandomToken() {
  std::random_device device;
  std::string token;
  for (int i = 0; i < 12; ++i) token += "ABCDEFGHJKLMNPQRSTUVWXYZ23456789"[device() % 32];
  return token;
}

// Part files of an earlier, longer build of the same setup would be copied to disks with the new
// set and confuse whoever reads them; they go. Only the names this writer gives parts are touched.
void RemoveStaleParts(const std::string& outPath, const std::vector<std::string>& written) {
  for (int part = 1; part <= kPackMaxParts; ++part) {
    const std::string name = PackPartName(outPath, part);
    if (std::find(written.begin(), written.end(), name) != written.end()) continue;
    if (std::remove(name.c_str()) != 0 && part > 1) return;
  }
}

std::string FolderOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == path.npos ? std::string() : std::string(path.substr(0, cut + 1));
}

}  // namespace

// --- the whole package

std::string WritePackage(const PackJob& job, std::string_view outPathView, std::vector<std::string>* written,
                         const PackProgress& progress) {
  const std::string outPath(outPathView);
  if (auto e = ValidatePackJob(job, outPath); !e.empty()) return e;

  std::vector<Item> items;
  if (!job.engine.name.empty()) items.push_back({&job.engine, job.engine.name + "*" + job.engineArgs, 0});
  for (const auto& f : job.files) items.push_back({&f, f.name, 0});
  PackTrailerFields fields;
  int64_t total = 0;
  for (auto& item : items) {
    if (auto e = SourceSize(*item.src, item.size); !e.empty()) return e;
    fields.space.Add(item.size);
    total += item.size;
  }
  fields.entryCount = uint32_t(items.size());
  fields.options = job.options & (kOptionConfirmTempExtract | kOptionSecondaryBar | kOptionAgentLog);
  fields.confirmDownload = job.confirmDownload;
  fields.installAgent = job.installAgent;
  fields.autoUpdateAgent = job.autoUpdateAgent;

  const bool web = job.layout == PackLayout::Web;
  fields.metaBlocks = web ? 3 : 2;
  PackUpdateSettings update = job.update;
  if (update.token.empty()) update.token = RandomToken();
  const std::string metaHead = BuildMetaBlock(BuildLanguageBlock(job.languages)) + BuildMetaBlock(BuildUpdateBlock(update, job.seed));
  // The uploaded package of a web setup carries the same web block (the stub compares its token);
  // its size field is fixed-width so that it can be filled in once the file is complete.
  constexpr int kSizeDigits = 12;
  std::string meta = metaHead;
  int64_t sizeFieldAt = -1;
  if (web) {
    const std::string webBlock = BuildWebBlockText(job.web, std::string(kSizeDigits, '0'), job.seed);
    sizeFieldAt = int64_t(job.stub.size() + metaHead.size() + 4 + webBlock.rfind('|', webBlock.size() - 2) + 1);
    meta += BuildMetaBlock(webBlock);
  }

  OutputSet out;
  std::string firstPath = outPath;
  int64_t limit = kNoLimit;
  if (job.layout == PackLayout::Span || job.layout == PackLayout::SpanRelaunch) limit = job.partSize;
  if (job.layout == PackLayout::SpanRelaunch) firstPath = PackPartName(outPath, 1);
  if (web) {
    firstPath = FolderOf(outPath) + job.web.setupName;
    if (SameText(firstPath, outPath)) return "the web setup name is the name of the setup file itself";
  }
  if (limit != kNoLimit && int64_t(job.stub.size() + meta.size()) + kTrailerSize >= limit)
    return "the part size is too small for the stub and the settings";

  PartChain chain(out, job, fields, outPath, limit);
  if (auto e = chain.OpenFirst(firstPath, meta); !e.empty()) return e;
  int64_t done = 0;
  for (const auto& item : items)
    if (auto e = PackItem(chain, item, job.level, done, total, progress); !e.empty()) return e;
  int64_t uploadSize = 0;
  if (web) {
    uploadSize = chain.Current().Size() + kTrailerSize;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", kSizeDigits, static_cast<long long>(uploadSize));
    if (auto e = chain.Current().Patch(sizeFieldAt, digits); !e.empty()) return e;
  }
  if (auto e = chain.Close(false); !e.empty()) return e;

  // The file users start when it is not the first package file itself.
  if (job.layout == PackLayout::SpanRelaunch || web) {
    PackTrailerFields head = fields;
    std::string headMeta = metaHead;
    if (web) {
      head.webSetup = true;
      head.entryCount = 0;
      head.space = {};
      headMeta += BuildMetaBlock(BuildWebBlock(job.web, uploadSize, job.seed));
    } else {
      head.options |= kOptionSpanRelaunch;
    }
    if (auto e = out.Start().Open(outPath, job.stub, headMeta); !e.empty()) return e;
    if (auto e = out.Finish(head, job.checksum); !e.empty()) return e;
  }
  if (written) written->clear();
  std::vector<std::string> paths;
  if (auto e = out.Commit(&paths); !e.empty()) return e;
  // Setup file first, then the package files in order.
  std::stable_partition(paths.begin(), paths.end(), [&](const std::string& p) { return p == outPath; });
  RemoveStaleParts(outPath, paths);
  if (written) *written = std::move(paths);
  return {};
}