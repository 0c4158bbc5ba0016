// The system's ECDSA P-256 verification: CNG (bcrypt.dll, bound at run time) on Windows, OpenSSL's
// library in the host build.
#pragma once
#include "util/Signature.h"

EcdsaVerifier& SystemEcdsaVerifier();
