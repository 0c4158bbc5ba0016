// The thin wrapper around zlib's inflate: a stream that inflates one block piece by piece into a
// fixed buffer, the whole-string form on top of it, and EZLibError, the program's one exception
// class, raised with zlib's own text for a negative result.
#pragma once
#include <zlib.h>

#include <exception>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// Derives from std::exception, not std::runtime_error: zlib's texts are static, and runtime_error's
// string member would pull libstdc++'s reference-counted string into the stub (about 60 KB).
class EZLibError : public std::exception {
 public:
  explicit EZLibError(int code) : code_(code) {}
  int Code() const { return code_; }
  // zlib's standard text for the code.
  const char* what() const noexcept override;

 private:
  int code_;
};

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

  TInflateStream();  // raises EZLibError when zlib cannot start
  ~TInflateStream();
  TInflateStream(const TInflateStream&) = delete;
  TInflateStream& operator=(const TInflateStream&) = delete;

  // Inflates input, handing every piece of output to sink. Returns true once the stream has ended;
  // input after the end is ignored. Raises EZLibError for a damaged stream, and for one that asks
  // for a preset dictionary, which a package never provides (waiting for it would loop forever).
  // With space, each piece is inflated into the span it gives and the sink sees that span's bytes.
  bool Feed(std::string_view input, const Sink& sink, const Space& space = {});
  bool Ended() const { return ended_; }

 private:
  z_stream zs_{};
  std::string out_;
  bool ended_ = false;
};

// The whole decompressed content of a compressed string; raises EZLibError for a damaged or
// truncated stream. pump, when given, runs between output pieces.
std::string InflateString(std::string_view compressed, const std::function<void()>& pump = {});
