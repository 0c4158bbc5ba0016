// ECDSA P-256 verification through OpenSSL's library: the host build's stand-in for CNG, the same
// answers for the same inputs.
#include "util/SignatureCheck.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

namespace {
class OpenSslVerifier : public EcdsaVerifier {
 public:
  bool Available() override { return true; }

  bool Verify(const EcPublicKey& key, const Sha256Digest& digest, const EcSignature& signature) override {
    unsigned char point[65] = {4};
    std::copy(key.begin(), key.end(), point + 1);
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>("prime256v1"), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point), OSSL_PARAM_construct_end()};
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> fromCtx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr),
                                                                        EVP_PKEY_CTX_free);
    EVP_PKEY* raw = nullptr;
    if (!fromCtx || EVP_PKEY_fromdata_init(fromCtx.get()) <= 0 ||
        EVP_PKEY_fromdata(fromCtx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params) <= 0) {
      return false;
    }
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(raw, EVP_PKEY_free);
    // r and s as the DER sequence that OpenSSL verifies.
    ECDSA_SIG* sig = ECDSA_SIG_new();
    if (!sig) return false;
    ECDSA_SIG_set0(sig, BN_bin2bn(signature.data(), 32, nullptr), BN_bin2bn(signature.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derLen = i2d_ECDSA_SIG(sig, &der);
    ECDSA_SIG_free(sig);
    if (derLen <= 0) return false;
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr),
                                                                    EVP_PKEY_CTX_free);
    const bool ok = ctx && EVP_PKEY_verify_init(ctx.get()) > 0 &&
                    EVP_PKEY_verify(ctx.get(), der, size_t(derLen), digest.data(), digest.size()) == 1;
    OPENSSL_free(der);
    return ok;
  }
};
}  // namespace

EcdsaVerifier& SystemEcdsaVerifier() {
  static OpenSslVerifier verifier;
  return verifier;
}
