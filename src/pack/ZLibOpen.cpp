// zlib inflate wrapper.
#include "pack/ZLibOpen.h"

#include <algorithm>

std::string ZLibErrorText(int code) { return zError(code); }

TInflateStream::TInflateStream() {
  int rc = inflateInit(&zs_);
  if (rc < 0) error_ = rc;
}

TInflateStream::~TInflateStream() { inflateEnd(&zs_); }

bool TInflateStream::Feed(std::string_view input, const Sink& sink, const Space& space) {
  if (ended_) return true;
  if (error_ != Z_OK) return false;
  // The stream's own buffer is made only when needed: an extraction inflates in place.
  if (!space && out_.empty()) out_.assign(kInflateOutputSize, '\0');
  zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  zs_.avail_in = uInt(input.size());
  for (;;) {
    const std::span<char> target = space ? space() : std::span<char>(out_);
    const size_t room = std::min(target.size(), kInflateOutputSize);
    zs_.next_out = reinterpret_cast<Bytef*>(target.data());
    zs_.avail_out = uInt(room);
    int rc = inflate(&zs_, Z_NO_FLUSH);
    size_t produced = room - zs_.avail_out;
    if (rc == Z_NEED_DICT) {
      error_ = rc;
      return false;
    }
    // Out of input with room left: the caller has more to feed (or the stream is truncated,
    // which the caller sees as a stream that never ends).
    if (rc == Z_BUF_ERROR && zs_.avail_in == 0) return false;
    if (rc < 0) {
      error_ = rc;
      return false;
    }
    if (produced) sink(std::string_view(target.data(), produced));
    if (rc == Z_STREAM_END) {
      ended_ = true;
      return true;
    }
    if (zs_.avail_in == 0 && zs_.avail_out != 0) return false;
  }
}

Inflated InflateString(std::string_view compressed, const std::function<void()>& pump) {
  TInflateStream stream;
  Inflated result;
  stream.Feed(compressed, [&](std::string_view piece) {
    result.data.append(piece);
    if (pump) pump();
  });
  if (!stream.Ended()) {
    result.error = stream.Error() != Z_OK ? stream.Error() : Z_BUF_ERROR;
    result.data.clear();
  }
  return result;
}
