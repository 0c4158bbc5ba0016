// The package container: its 74-byte trailer, the checksum, the package end mark, token
// descrambling, and TGFileInfo, the read-only view of one package file through which every other
// unit reads a package's flags, blocks and tokens.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "pack/PackFormat.h"

class PackFile;

// "MZ" at offset 0 and "PE" at offset 256 (the header's own pointer to the signature is not used).
bool IsStubExecutable(std::string_view path);
// Same test on an open file; its position moves.
bool IsStubExecutable(PackFile& file);
// (u32 at 248) << 32 | (u32 at 252); 0 when the bytes are not there.
uint64_t ReadPackageEnd(PackFile& file);
// Fills the zero-filled record from the package's trailer: at most 74 bytes, its length field set
// to the bytes it covers, a meta block count of 0 read as 2. False, with the record left as it
// was, when the file has no readable trailer (missing, too short, or a length field below 4 or
// reaching outside the package).
bool ReadTrailer(std::string_view path, TPackTrailer& trailer);
bool ReadTrailer(PackFile& file, TPackTrailer& trailer);
// The package checksum over the file at path; kChecksumDisabled for files above the size limit.
uint32_t ComputePackageChecksum(std::string_view path, int64_t trailerLength);
// Bytes per cluster of the drive named by the path's first three characters; 0 when unknown.
uint32_t GetClusterSize(std::string_view path);
// The space table entry for a drive with this cluster size, as a byte count.
double RequiredSpaceForCluster(const TPackTrailer& trailer, uint32_t clusterSize);
// The plain form of a scrambled token, or a random decimal number text when it does not decode.
std::string DescrambleToken(std::string_view scrambled);

struct TInformHeader {
  std::string token;  // descrambled
  std::string body;
};
// Splits the text of an inform file ("|token|x|y|body" after unscrambling) into token and body.
TInformHeader ParseInformHeader(std::string_view text);

class TGFileInfo {
 public:
  // Never fails: a missing or foreign file gives a reader with empty blocks (as does no file).
  TGFileInfo() = default;
  explicit TGFileInfo(std::string_view path);

  // After a successful open the first block offset points at the first entry block.
  const TPackTrailer& Trailer() const { return trailer_; }
  const std::string& LanguageBlock() const { return language_; }
  const std::string& UpdateBlock() const { return update_; }
  const std::string& WebBlock() const { return web_; }

  // Space table entry for the cluster size of the drive of path.
  double GetRequiredSpace(std::string_view path) const;

  bool ConfirmTempExtract() const { return trailer_.HasOption(kOptionConfirmTempExtract); }
  bool IsContinued() const { return trailer_.HasOption(kOptionContinued); }
  bool WantsSpanRelaunch() const { return trailer_.HasOption(kOptionSpanRelaunch); }
  bool ShowSecondaryBar() const { return trailer_.HasOption(kOptionSecondaryBar); }
  bool IsAgentLogEnabled() const { return trailer_.HasOption(kOptionAgentLog); }
  bool IsWebSetup() const { return trailer_.WebSetupFlag() != 0; }
  bool ConfirmWebDownload() const { return trailer_.ConfirmDownloadFlag() != 0; }
  bool InstallsAgent() const { return trailer_.InstallAgentFlag() != 0; }
  bool IsAutoUpdateAgent() const { return trailer_.AutoUpdateFlag() != 0; }

  std::string GetInfoUrl() const;
  std::string GetInfoFileName() const;
  // The information file's name without any extension, plus ".original".
  std::string GetOriginalFileName() const;
  std::string GetAgentExeName() const;
  std::string GetUpdateToken(bool descramble) const;
  bool GetHideFlag() const;
  // The vendor's public key (update block token 5, which readers that know only five tokens skip):
  // 130 hex digits, or empty for a product that does not sign its releases.
  std::string GetPublicKey() const;
  std::string GetWebUrl() const;
  std::string GetWebSetupName() const;
  bool GetWebAlwaysDownload() const;
  std::string GetWebToken(bool descramble) const;
  std::string GetWebSize() const;

  // Language block lookups in the process's selected language (LangRes0).
  std::string GetLangString(std::string_view key, std::string_view def) const;
  int GetCharset() const;
  int GetFontSize() const;
  std::string GetFontName() const;

 private:
  TPackTrailer trailer_;
  std::string language_, update_, web_;
};
