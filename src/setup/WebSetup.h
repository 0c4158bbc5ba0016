// The web setup: a stub whose package is not inside it but fetched from a web server (or taken
// from beside the stub). It asks before downloading, checks the connection, downloads with the
// host window's progress, matches the package token, runs the package through RunSetupPackage and
// deletes what it downloaded. The decisions and texts are pure functions (WebSetup.cpp); the run
// goes through SetupHost like the setup run (WebSetupRun.cpp).
#pragma once
#include <string>
#include <string_view>

#include "setup/StubSetup.h"

class HttpClient;

// Where the package comes from: the own folder when the package file lies there and the web block
// does not demand a download, else the web address.
std::string WebSetupSource(std::string_view webUrl, std::string_view ownFolder, bool alwaysDownload,
                           bool packageBesideStub);
// source + "\" + name, without doubling a trailing backslash of the source.
std::string LocalPackagePath(std::string_view source, std::string_view packageName);
// The download address: source + "/" + name.
std::string WebPackageUrl(std::string_view source, std::string_view packageName);
// The download question ("s11") with "<SIZE>" as megabytes of the web block's size (0 when the size
// is not a number).
std::string DownloadQuestionText(std::string_view webSize, const LangLookup& lang);
// The connection failure ("s12"), with the platform's reason after two paragraph marks.
std::string NoConnectionText(std::string_view reason, const LangLookup& lang);
// The refusal of a package whose token does not match: the 404 text when the file is a server's
// HTML error page, otherwise "Bad Secret Token!".
std::string TokenMismatchText(std::string_view packageFile, std::string_view url);
// The refusal of a package without a valid signature by the product's key: the 404 text when the
// file is a server's HTML error page, otherwise "Bad Signature!".
std::string SignatureRefusedText(std::string_view packageFile, std::string_view url);
// The process exit code of a web setup that ran no engine, from the cause table: the cancel marker
// "!" is Cancelled, every other failure a DownloadFailed.
int WebSetupExitCode(std::string_view error);
// The agent copy of a web setup from the stub's own image: cut to the package end when less than
// 10000 bytes follow it (a signature appended after the package), with the trailer's auto-update
// flag (the fifth byte before the package end) set, whatever follows the package.
std::string WebAgentImage(std::string image, uint64_t packageEnd);

// --- the run
// A web setup for the own package (the stub's web block): writes the agent copy when the request
// names an agent, then finds or downloads the package and runs it (FetchAndRunWebSetup). The
// request's packageFile is not used.
SetupOutcome StartWebSetupRun(const SetupRequest& request, const TGFileInfo& ownPackage, SetupHost& host,
                              HttpClient& client);
// Takes packageName from source (a folder) or downloads it from source (an address) through the
// verified fetch, which checks its signature and matches its token with the own package's, and runs
// it with the request's folder and switches.
SetupOutcome FetchAndRunWebSetup(const SetupRequest& request, const TGFileInfo& ownPackage, std::string_view source,
                                 std::string_view packageName, SetupHost& host, HttpClient& client);
