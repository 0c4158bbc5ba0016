// The vendor's key pair and the detached signatures of published files (OpenSSL's library):
// "mkpack keygen", "sign" and "verify", and the signing that "build", "release" and "inform" do
// when given a private key.
#pragma once
#include <string>
#include <vector>

#include "util/Signature.h"

// Reads a public key file (the hex line that keygen writes) into hex; the error text, empty on success.
std::string LoadPublicKeyFile(const std::string& path, std::string& hex);
// Signs the file at path with the private key (a PEM file) as the file it will be published as
// (publishedPath, default path): the signature names that file and is written beside it, as
// publishedPath + ".sig". The error text, empty on success.
std::string SignFile(const std::string& privateKeyPath, const std::string& path, const std::string& publishedPath = {});

int RunKeygen(const std::vector<std::string>& args);
int RunSign(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
