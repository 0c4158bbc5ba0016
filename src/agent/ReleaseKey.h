// The key an installed agent checks its fetched files with, and its rotation. A product that signs
// its releases carries the vendor's public key in its package; an update setup may carry a new
// one, which counts only because that setup was verified with the key in use: the agent then keeps
// the new key in its installed-version file ([Signature] PublicKey) and uses it from then on.
#pragma once
#include <string>
#include <string_view>

#include "agent/UpdateSettings.h"

class TGFileInfo;

// The stored key when it is a valid key, else the own package's (empty: the product does not sign).
std::string AgentReleaseKey(const TGFileInfo& own, const OriginalFile& original);
// After a verified update setup: stores the setup's key when it is a valid key other than the one in
// use. A product without a key in use verified nothing and takes none. True when the key changed.
bool AdoptRotatedKey(OriginalFile& original, std::string_view keyInUse, std::string_view setupKey);
