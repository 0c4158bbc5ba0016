// Large reads from the network handed out in the transfer loop's chunk sizes: what comes out must
// be exactly the body, in the same pieces as reading chunk by chunk, however the source delivers.
#include "net/ReadAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// A body that delivers at most maxPiece bytes a read, takes usPerRead on the injected clock for
// every read, and fails once failAt bytes have gone out.
class ScriptedBody : public HttpBody {
 public:
  ScriptedBody(size_t size, int64_t usPerRead, uint32_t maxPiece = UINT32_MAX, size_t failAt = SIZE_MAX)
      : usPerRead(usPerRead), maxPiece_(maxPiece), failAt_(failAt) {
    for (size_t i = 0; i < size; ++i) data_.push_back(char(i * 7 + i / 251));
  }
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    reads.push_back(len);
    now += usPerRead;
    if (pos_ >= failAt_) return false;
    read = uint32_t(std::min<size_t>({len, maxPiece_, data_.size() - pos_, failAt_ - pos_}));
    std::memcpy(buffer, data_.data() + pos_, read);
    pos_ += read;
    return true;
  }
  std::string FailureDetail() override { return "The connection was reset"; }
  UsClock Clock() {
    return [this] { return now; };
  }

  std::vector<char> data_;
  std::vector<uint32_t> reads;
  int64_t now = 0;
  int64_t usPerRead;

 private:
  uint32_t maxPiece_;
  size_t failAt_;
  size_t pos_ = 0;
};

struct Drained {
  std::vector<char> bytes;
  std::vector<uint32_t> pieces;
  bool failed = false;
};

Drained Drain(HttpBody& body, uint32_t chunk) {
  Drained out;
  std::vector<char> buffer(chunk);
  for (;;) {
    uint32_t read = 0;
    if (!body.Read(buffer.data(), chunk, read)) {
      out.failed = true;
      return out;
    }
    if (read == 0) return out;
    out.pieces.push_back(read);
    out.bytes.insert(out.bytes.end(), buffer.begin(), buffer.begin() + read);
  }
}

TEST(ReadAhead, HandsOutTheBodyInChunkSizedPiecesHoweverItIsRead) {
  struct Case {
    const char* name;
    size_t size;
    uint32_t chunk;
    int64_t usPerRead;
    uint32_t maxPiece;
  } cases[] = {
      {"fast line, reads grow", 3000000, 8192, 100, UINT32_MAX},
      {"slow line, reads stay at the chunk", 200000, 8192, 30000, UINT32_MAX},
      {"tiny body, chunk of one byte", 5, 1, 100, UINT32_MAX},
      {"source delivers odd short pieces", 100000, 5000, 100, 3001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedBody source(c.size, c.usPerRead, c.maxPiece);
    ReadAheadBody body(source, source.Clock());
    const Drained out = Drain(body, c.chunk);
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(out.bytes, source.data_);
    if (c.maxPiece == UINT32_MAX) {
      // The same steps as reading chunk by chunk: full chunks, then what is left.
      ASSERT_EQ(out.pieces.size(), (c.size + c.chunk - 1) / c.chunk);
      for (size_t i = 0; i + 1 < out.pieces.size(); ++i) ASSERT_EQ(out.pieces[i], c.chunk);
    }
  }
}

TEST(ReadAhead, ReadsGrowWhileDataIsWaitingAndFallBackWhenAReadWaits) {
  ScriptedBody fast(4000000, 100);
  ReadAheadBody body(fast, fast.Clock());
  Drain(body, 8192);
  ASSERT_GE(fast.reads.size(), 8u);
  const std::vector<uint32_t> first(fast.reads.begin(), fast.reads.begin() + 8);
  EXPECT_EQ(first, (std::vector<uint32_t>{8192, 16384, 32768, 65536, 131072, 262144, 524288, 1048576}));
  EXPECT_EQ(*std::max_element(fast.reads.begin(), fast.reads.end()), ReadAheadBody::kMaxReadAhead);

  ScriptedBody slow(200000, ReadAheadBody::kSlowUs + 1);
  ReadAheadBody slowBody(slow, slow.Clock());
  Drain(slowBody, 8192);
  for (uint32_t len : slow.reads) EXPECT_EQ(len, 8192u);

  // One read that waits for the network brings the next one back to the chunk size at once;
  // then they grow again.
  ScriptedBody mixed(4000000, 100);
  ReadAheadBody mixedBody(mixed, mixed.Clock());
  std::vector<char> buffer(8192);
  const auto readUntilTheSourceIsRead = [&] {
    const size_t before = mixed.reads.size();
    uint32_t read = 0;
    while (mixed.reads.size() == before) ASSERT_TRUE(mixedBody.Read(buffer.data(), 8192, read));
  };
  while (mixedBody.NextReadSize() < 262144) readUntilTheSourceIsRead();
  mixed.usPerRead = ReadAheadBody::kSlowUs + 1;
  readUntilTheSourceIsRead();
  EXPECT_EQ(mixedBody.NextReadSize(), 8192u);
  mixed.usPerRead = 100;
  readUntilTheSourceIsRead();
  EXPECT_EQ(mixedBody.NextReadSize(), 16384u);
}

TEST(ReadAhead, AFailedReadComesAfterTheBytesBeforeIt) {
  ScriptedBody source(100000, 100, UINT32_MAX, 50000);
  ReadAheadBody body(source, source.Clock());
  const Drained out = Drain(body, 8192);
  EXPECT_TRUE(out.failed);
  EXPECT_EQ(out.bytes, std::vector<char>(source.data_.begin(), source.data_.begin() + 50000));
  EXPECT_EQ(body.FailureDetail(), "The connection was reset");
}
}  // namespace
