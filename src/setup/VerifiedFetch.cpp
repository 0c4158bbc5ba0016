// The one verified fetch: transfer or copy, signature file, error-page rule, token and key.
#include "setup/VerifiedFetch.h"

#include <vector>

#include "net/CommUtils.h"
#include "net/HttpTransfer.h"
#include "pack/PackX.h"
#include "setup/WebSetup.h"
#include "util/Files.h"
#include "util/Utils.h"

namespace {
constexpr char kNotFound[] = "File not Found!";

// Copies a file of a local or network folder onto target in one piece: a copy that breaks off
// leaves nothing in place of the target.
bool CopyWhole(const std::string& from, const std::string& target) {
  InputFile in;
  OutputFile out;
  if (!in.Open(from) || !out.Open(target, OutputFile::Mode::kReplace)) return false;
  std::vector<char> buffer(65536);
  for (;;) {
    const int64_t got = in.Read(buffer.data(), int64_t(buffer.size()));
    if (got < 0) return false;
    if (got == 0) break;
    if (!out.Write(std::string_view(buffer.data(), size_t(got)))) return false;
  }
  in.Close();
  return out.Finish(GetFileDosTime(from));
}

FetchResult Failed(std::string error) { return {FetchStatus::Failed, std::move(error)}; }

FetchResult CopyFromFolder(const FetchOrder& order) {
  // In test mode a file missing in the test folder is not looked for on the web.
  if (!FileExists(order.location) || !CopyWhole(order.location, order.target)) return Failed(kNotFound);
  const std::string sig = order.location + kSignatureSuffix;
  if (!order.key.empty() && FileExists(sig)) CopyWhole(sig, order.target + kSignatureSuffix);
  return {};
}

// The signature file beside the target; a server's error page in its place is none.
void DownloadSignature(const FetchOrder& order, HttpClient& client) {
  const std::string sig = order.target + kSignatureSuffix;
  std::string content;
  const std::string error = client.Download({order.location + kSignatureSuffix, sig, false, 0, nullptr, order.cancel},
                                            content);
  if (!error.empty() || !FileExists(sig) || IsHtmlErrorPage(sig, "")) {
    DeleteFileByName(sig);
    DeleteDownloadLeftovers(sig);
  }
}

FetchResult Download(const FetchOrder& order, HttpClient& client) {
  if (std::string reason; order.checksConnection && !client.Connected(reason))
    return Failed(reason.empty() ? "No Internet connection" : reason);
  if (order.settle) order.settle();
  if (order.cancel) *order.cancel = false;
  // What lies at the target from before must not pass for what this fetch brought.
  DeleteFileByName(order.target);
  std::string content;
  std::string error = client.Download(
      {order.location, order.target, order.resumable, order.owner, order.progress, order.cancel}, content);
  if (order.settle) order.settle();
  // A body that ended before its Content-Length is no error of the client's, but no file either.
  if (error.empty() && !FileExists(order.target))
    error = UrlFileName(order.location) + " --- Error downloading file (incomplete)";
  if (!error.empty()) {
    DeleteFileByName(order.target);
    // What a resumable download kept beside the target is the next attempt's start.
    if (!order.resumable) DeleteDownloadLeftovers(order.target);
    const bool cancelled = order.cancel && *order.cancel;
    return {cancelled ? FetchStatus::Cancelled : FetchStatus::Failed, error};
  }
  if (order.sweepsPartials) DeletePartialDownloads(ExtractFileDir(order.target));
  if (!order.key.empty()) DownloadSignature(order, client);
  return {};
}

bool TokenMatches(const FetchOrder& order) {
  switch (order.token) {
    case TokenRule::None:
      return true;
    case TokenRule::WebToken:
      return TGFileInfo(order.target).GetWebToken(true) == order.expectedToken;
    case TokenRule::UpdateToken:
      return TGFileInfo(order.target).GetUpdateToken(true) == order.expectedToken;
    case TokenRule::InformHeader:
      // A token that does not decode comes back as a random number text, which matches nothing.
      return ParseInformHeader(ReadFileRange(order.target)).token == order.expectedToken;
  }
  return false;
}

FetchResult CheckToken(const FetchOrder& order, bool fetched) {
  if (TokenMatches(order)) return {};
  FetchResult refused{FetchStatus::Refused, TokenMismatchText(order.target, order.location), Refusal::Token};
  if (fetched) {
    DeleteFileByName(order.target);
    DeleteFileByName(order.target + kSignatureSuffix);
  }
  return refused;
}

FetchResult CheckKey(const FetchOrder& order, bool fetched, EcdsaVerifier& verifier) {
  if (order.key.empty()) return {};
  // Worded before a refused file goes: a server's page in place of the file gets its own text.
  std::string text = SignatureRefusedText(order.target, order.location);
  const SignatureResult result = fetched ? CheckFetchedFile(order.target, order.name, order.key, verifier)
                                         : CheckSignedFile(order.target, order.name, order.key, verifier);
  if (result == SignatureResult::kOk) return {};
  return {FetchStatus::Refused, std::move(text), Refusal::Signature, result};
}

// Nothing to check in a page that stands where an information file was asked for.
bool IsPage(const std::string& target) { return GetFileSizeByName(target) == 0 || IsHtmlErrorPage(target, ""); }
}  // namespace

FetchResult VerifiedFetch(const FetchOrder& order, HttpClient& client, EcdsaVerifier& verifier) {
  const FetchResult fetched = order.source == FetchSourceKind::Web ? Download(order, client) : CopyFromFolder(order);
  if (fetched.status != FetchStatus::Done) return fetched;
  if (order.pageIsAnswer && IsPage(order.target)) {
    FetchResult page;
    page.page = true;
    return page;
  }
  return VerifyFetchedFile(order, true, verifier);
}

FetchResult VerifyFetchedFile(const FetchOrder& order, bool fetched, EcdsaVerifier& verifier) {
  if (order.tokenFirst) {
    if (FetchResult token = CheckToken(order, fetched); token.status != FetchStatus::Done) return token;
    return CheckKey(order, fetched, verifier);
  }
  if (FetchResult key = CheckKey(order, fetched, verifier); key.status != FetchStatus::Done) return key;
  return CheckToken(order, fetched);
}

SignatureResult CheckFetchedFile(std::string_view path, std::string_view name, std::string_view key,
                                 EcdsaVerifier& verifier) {
  if (key.empty()) return SignatureResult::kOk;
  const SignatureResult result = CheckSignedFile(path, name, key, verifier);
  if (result != SignatureResult::kOk) DeleteFileByName(path);
  DeleteFileByName(std::string(path) + kSignatureSuffix);
  return result;
}
