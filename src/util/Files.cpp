// The portable rules of the file operations: write chunking, MS-DOS time stamps, file-name stems
// and the self-deletion script. The platform folders hold the calls that touch the disk.
#include "util/Files.h"

int64_t WriteChunkSize(int64_t len) {
  if (len <= kLargeWriteChunk) return len;
  int64_t k = len / 10;
  if (k < 1024) return 1024;
  return k > kLargeWriteChunk ? kLargeWriteChunk : k;
}

uint32_t DateTimeToDos(const DateTime& dt) {
  // The DOS date counts years from 1980 in 7 bits; out-of-range years have no stamp.
  if (dt.year < 1980 || dt.year > 2107) return 0;
  uint32_t date = uint32_t(dt.year - 1980) << 9 | uint32_t(dt.month & 15) << 5 | uint32_t(dt.day & 31);
  uint32_t time = uint32_t(dt.hour & 31) << 11 | uint32_t(dt.minute & 63) << 5 | uint32_t((dt.second / 2) & 31);
  return date << 16 | time;
}

DateTime DosToDateTime(uint32_t dos) {
  DateTime dt;
  if (dos == 0) return dt;
  uint32_t date = dos >> 16, time = dos & 0xFFFF;
  dt.year = int(date >> 9) + 1980;
  dt.month = int(date >> 5 & 15);
  dt.day = int(date & 31);
  dt.hour = int(time >> 11);
  dt.minute = int(time >> 5 & 63);
  dt.second = int(time & 31) * 2;
  return dt;
}

bool IsValidDosTime(uint32_t dos) {
  const DateTime dt = DosToDateTime(dos);
  if (dos == 0 || dt.month < 1 || dt.month > 12 || dt.day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = dt.year % 4 == 0 && (dt.year % 100 != 0 || dt.year % 400 == 0);
  const int days = kDays[dt.month - 1] + (dt.month == 2 && leap ? 1 : 0);
  return dt.day <= days && dt.hour < 24 && dt.minute < 60 && dt.second < 60;
}

std::string FileNameStem(std::string_view path, bool allExtensions) {
  size_t slash = path.find_last_of("\\/:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = allExtensions ? name.find('.') : name.rfind('.');
  return std::string(name.substr(0, dot));
}

std::string SelfDeleteScript(std::string_view exe, std::string_view dir, std::string_view batch, bool removeFolder,
                             bool quoted) {
  const std::string q = quoted ? "\"" : "";
  auto quote = [&q](std::string_view path) { return q + std::string(path) + q; };
  std::string script = ":START\r\n";
  script += "DEL " + quote(exe) + "\r\n";
  script += "IF exist " + quote(exe) + " GOTO START\r\n";
  if (removeFolder) script += "RD " + quote(dir) + "\r\n";
  script += "DEL " + quote(batch) + "\r\n";
  return script;
}
