// ECDSA P-256 verification through CNG. bcrypt.dll is loaded on first use, not at load time, so
// that the stub still starts where it is missing; the verifier then says it is not available.
#include "util/SignatureCheck.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

namespace {
using OpenAlgorithmFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgorithmFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using ImportKeyPairFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_KEY_HANDLE, LPCWSTR, BCRYPT_KEY_HANDLE*, PUCHAR,
                                          ULONG, ULONG);
using VerifySignatureFn = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE, VOID*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using DestroyKeyFn = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE);

template <typename Fn>
Fn Bound(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

class CngVerifier : public EcdsaVerifier {
 public:
  bool Available() override {
    Bind();
    return open_ && close_ && import_ && verify_ && destroy_;
  }

  bool Verify(const EcPublicKey& key, const Sha256Digest& digest, const EcSignature& signature) override {
    if (!Available()) return false;
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (open_(&alg, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0) return false;
    // The public key blob: its header, then X and Y.
    unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob, &header, sizeof header);
    std::memcpy(blob + sizeof header, key.data(), key.size());
    BCRYPT_KEY_HANDLE handle = nullptr;
    bool ok = false;
    if (import_(alg, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob, sizeof blob, 0) == 0) {
      Sha256Digest hash = digest;
      EcSignature sig = signature;
      ok = verify_(handle, nullptr, hash.data(), ULONG(hash.size()), sig.data(), ULONG(sig.size()), 0) == 0;
      destroy_(handle);
    }
    close_(alg, 0);
    return ok;
  }

 private:
  void Bind() {
    if (bound_) return;
    bound_ = true;
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryA("bcrypt.dll");
    SetErrorMode(previous);
    open_ = Bound<OpenAlgorithmFn>(module, "BCryptOpenAlgorithmProvider");
    close_ = Bound<CloseAlgorithmFn>(module, "BCryptCloseAlgorithmProvider");
    import_ = Bound<ImportKeyPairFn>(module, "BCryptImportKeyPair");
    verify_ = Bound<VerifySignatureFn>(module, "BCryptVerifySignature");
    destroy_ = Bound<DestroyKeyFn>(module, "BCryptDestroyKey");
  }

  bool bound_ = false;
  OpenAlgorithmFn open_ = nullptr;
  CloseAlgorithmFn close_ = nullptr;
  ImportKeyPairFn import_ = nullptr;
  VerifySignatureFn verify_ = nullptr;
  DestroyKeyFn destroy_ = nullptr;
};
}  // namespace

EcdsaVerifier& SystemEcdsaVerifier() {
  static CngVerifier verifier;
  return verifier;
}
