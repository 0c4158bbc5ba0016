// The thin wrapper around zlib's inflate: a stream that inflates one block piece by piece into a
// fixed buffer, and the whole-string form on top of it. A damaged stream is reported as zlib's own
// (negative) result code, never thrown: the stub is built without exception support, which keeps
// the unwinder and its tables (about 40 KB) out of it.
#pragma once
#include <zlib.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>

// zlib's standard text for a result code ("data error" for -3 ...).
std::string ZLibErrorText(int code);

// Inflates one RFC 1950 stream fed in pieces; output leaves through the sink in pieces of at most
// kInflateOutputSize bytes, so memory stays bounded whatever the stream inflates to.
class TInflateStream {
 public:
  static constexpr size_t kInflateOutputSize = 65536;
  using Sink = std::function<void(std::string_view)>;
  // Where the next output piece goes, when the caller wants it in its own buffer rather than a
  // copy of the stream's (at least one byte; only the first kInflateOutputSize bytes are used).
  using Space = std::function<std::span<char>()>;

  TInflateStream();  // a stream zlib cannot start is failed at once (Error() says why)
  ~TInflateStream();
  TInflateStream(const TInflateStream&) = delete;
  TInflateStream& operator=(const TInflateStream&) = delete;

  // Inflates input, handing every piece of output to sink. Returns true once the stream has ended;
  // input after the end is ignored. A damaged stream, or one that asks for a preset dictionary,
  // which a package never provides (waiting for it would loop forever), fails the stream: Feed
  // returns false from then on and Error() holds zlib's code.
  // With space, each piece is inflated into the span it gives and the sink sees that span's bytes.
  bool Feed(std::string_view input, const Sink& sink, const Space& space = {});
  bool Ended() const { return ended_; }
  // Z_OK, or the negative zlib code that failed the stream.
  int Error() const { return error_; }

 private:
  z_stream zs_{};
  std::string out_;
  bool ended_ = false;
  int error_ = Z_OK;
};

// The whole decompressed content of a compressed string, or the zlib code of a damaged or truncated
// stream (Z_BUF_ERROR for one that never ends). pump, when given, runs between output pieces.
struct Inflated {
  std::string data;
  int error = Z_OK;
};
Inflated InflateString(std::string_view compressed, const std::function<void()>& pump = {});
