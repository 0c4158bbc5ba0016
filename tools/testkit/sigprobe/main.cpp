// sigprobe: runs the stub's signature check from the command line, so that tests and benchmarks
// see it (and CNG) work for real. Output lines:
//   sigprobe verify KEYHEX FILE [NAME] -> result TEXT / ms N      (exit 0 when the signature holds)
//   sigprobe hash FILE [--portable]    -> sha256 HEX / hardware 0|1 / ms N
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "util/Files.h"
#include "util/Sha256.h"
#include "util/SignatureCheck.h"

namespace {
double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

std::string NamePart(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::puts("usage: sigprobe verify KEYHEX FILE [NAME] | sigprobe hash FILE [--portable]");
    return 0;
  }
  if (argc >= 4 && std::strcmp(argv[1], "verify") == 0) {
    const double start = NowMs();
    const SignatureResult r =
        CheckSignedFile(argv[3], argc >= 5 ? argv[4] : NamePart(argv[3]), argv[2], SystemEcdsaVerifier());
    std::printf("result %s\nms %.1f\n", SignatureResultText(r).c_str(), NowMs() - start);
    return r == SignatureResult::kOk ? 0 : 1;
  }
  if (argc >= 3 && std::strcmp(argv[1], "hash") == 0) {
    if (argc >= 4 && std::strcmp(argv[3], "--portable") == 0) Sha256::UseHardware(false);
    const double start = NowMs();
    Sha256Digest d{};
    const bool ok = Sha256OfFile(argv[2], d);
    std::printf("sha256 %s\nhardware %d\nms %.1f\n", ok ? DigestHex(d).c_str() : "-",
                Sha256::HardwareAvailable() ? 1 : 0, NowMs() - start);
    return ok ? 0 : 1;
  }
  std::fputs("usage: sigprobe verify KEYHEX FILE [NAME] | sigprobe hash FILE [--portable]\n", stderr);
  return 2;
}
