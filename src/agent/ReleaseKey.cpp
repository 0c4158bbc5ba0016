// The agent's release key: the own package's, or the one a verified update brought.
#include "agent/ReleaseKey.h"

#include "pack/PackX.h"
#include "util/Files.h"

namespace {
bool ValidKey(std::string_view hex) {
  EcPublicKey key;
  return ParsePublicKey(hex, key);
}
}  // namespace

std::string AgentReleaseKey(const TGFileInfo& own, const OriginalFile& original) {
  const std::string stored = original.PublicKey();
  return ValidKey(stored) ? stored : own.GetPublicKey();
}

bool AdoptRotatedKey(OriginalFile& original, std::string_view keyInUse, std::string_view setupKey) {
  // Without a key in use nothing was verified, and an unverified setup hands over no key.
  if (keyInUse.empty() || !ValidKey(setupKey) || setupKey == keyInUse) return false;
  return original.PublicKey() != setupKey && original.SetPublicKey(setupKey);
}

SignatureResult CheckFetchedFile(std::string_view path, std::string_view name, std::string_view key,
                                 EcdsaVerifier& verifier) {
  if (key.empty()) return SignatureResult::kOk;
  const SignatureResult result = CheckSignedFile(path, name, key, verifier);
  if (result != SignatureResult::kOk) DeleteFileByName(path);
  DeleteFileByName(std::string(path) + kSignatureSuffix);
  return result;
}
