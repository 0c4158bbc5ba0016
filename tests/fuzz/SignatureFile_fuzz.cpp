// libFuzzer target over the signature file parser and the check around it: any input is parsed;
// what parses must print back to a text that parses to the same values, and the check must answer
// without reading outside the input (the system verifier sees only well-formed values).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/Signature.h"
#include "util/SignatureCheck.h"

namespace {
const char kKey[] =
    "049072ef038c76bf19aa96b3534f997c95628151d4707b71ee8a6bfd56ad4769f4ab5325239b2919de950c8b1313a99fc8a069c125ed4147eb"
    "38caaac097ab5903";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SignatureFile sig;
  if (ParseSignatureFile(text, sig)) {
    SignatureFile again;
    if (!ParseSignatureFile(FormatSignatureFile(sig), again) || again.name != sig.name || again.size != sig.size ||
        again.hash != sig.hash || again.signature != sig.signature) {
      std::abort();
    }
  }
  const Sha256Digest hash = Sha256Of(text);
  const SignatureResult r = CheckSignature(text, "hello.txt", 5, hash, kKey, SystemEcdsaVerifier());
  // Nothing made up by a fuzzer is signed by that key.
  if (r == SignatureResult::kOk) std::abort();
  return 0;
}
