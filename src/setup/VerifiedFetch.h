// The one verified fetch: every file the product takes from elsewhere (the web setup's package,
// the agent's information, update and inform files) comes through VerifiedFetch, from a web folder
// with the HTTP client or from a local, network or test-mode folder, and counts only once it is
// whole and this product's. What it owns:
//   - whole or nothing: the target is deleted before a download and replaced only by a whole file;
//     a failed fetch leaves no target, and a folder's file is copied through a temporary name;
//   - leftovers and partial files: what a failed download left beside the target goes, unless the
//     download resumes (the update setup, the web package), whose partial file is the next start;
//   - the signature file: fetched beside the target for a product with a key (a server's error
//     page in its place counts as none), used by the check and then deleted with a fetched file;
//   - the error-page rule: an information file that is a server's page stays as it came, unchecked;
//   - the token and the key: a file of another product, or one not signed by the key, is refused
//     and deleted with its signature file.
// Rules the channel adds later (what the signature must bind, limits on sizes and names) go here.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/HttpClient.h"
#include "util/Signature.h"

// Where a file is fetched from.
enum class FetchSourceKind { Web, Folder, TestFolder };

// What a fetched file must carry to be this product's.
enum class TokenRule {
  None,          // nothing (the information file: its signature alone decides)
  WebToken,      // a package whose web token is the expected one
  UpdateToken,   // a package whose update token is the expected one
  InformHeader,  // an inform file whose header names the expected token
};

struct FetchOrder {
  FetchSourceKind source = FetchSourceKind::Web;
  std::string location;  // the web address, or the file in its folder
  std::string target;    // where the fetched file goes
  std::string name;      // the name the file is published and signed under
  // The largest files continue where an interrupted download stopped; their partial file stays.
  bool resumable = false;
  // The target's folder is the caller's own: once the file is whole, unfinished downloads of
  // other addresses there are of no use and go.
  bool sweepsPartials = false;
  // An information file: a body that is a server's page (or empty) stays as it came and is not
  // checked; the caller judges it.
  bool pageIsAnswer = false;
  // The connection is checked before a download (a caller that asks first checks it itself).
  bool checksConnection = true;
  TokenRule token = TokenRule::None;
  std::string expectedToken;  // in clear form
  // The agent has always judged the token before the signature; the web setup the signature first,
  // so that no byte of an unsigned package is read.
  bool tokenFirst = false;
  std::string key;  // the product's release key; empty: the product does not sign

  // The window's side of a web download.
  uintptr_t owner = 0;  // the window to show
  Progress* progress = nullptr;
  bool* cancel = nullptr;         // lowered when the download starts; raised by the window's close
  std::function<void()> settle;   // before and after the download: lets the window settle
};

enum class FetchStatus { Done, Cancelled, Refused, Failed };
enum class Refusal { None, Token, Signature };

struct FetchResult {
  FetchStatus status = FetchStatus::Done;
  // The failure's text (the download's, "File not Found!", the connection's reason) or the
  // refusal's (TokenMismatchText, SignatureRefusedText); empty when done.
  std::string error;
  Refusal refusal = Refusal::None;
  SignatureResult signature = SignatureResult::kOk;  // why a signature was refused
  bool page = false;  // pageIsAnswer: the body is a server's page or empty, kept and unchecked
};

// Fetches order.location to order.target, then checks it (VerifyFetchedFile).
FetchResult VerifiedFetch(const FetchOrder& order, HttpClient& client, EcdsaVerifier& verifier);
// The token and signature checks of the file at order.target. fetched: the file was fetched, so a
// refused one goes and its signature file goes in any case; a file used in place stays as it is.
FetchResult VerifyFetchedFile(const FetchOrder& order, bool fetched, EcdsaVerifier& verifier);
// Checks a fetched file against its signature file (path + ".sig", fetched beside it) with the key;
// on refusal both files are deleted, so nothing of a refused file stays. With no key the product
// does not sign and every file passes.
SignatureResult CheckFetchedFile(std::string_view path, std::string_view name, std::string_view key,
                                 EcdsaVerifier& verifier);
