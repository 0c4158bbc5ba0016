// The agent's release key: the own package's, or the one a verified update brought.
#include "agent/ReleaseKey.h"

#include "pack/PackX.h"
#include "util/Signature.h"

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
