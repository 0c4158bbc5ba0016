// Large reads from the network handed out in the transfer loop's chunk sizes: what comes out must
// be exactly the body, in the same pieces as reading chunk by chunk, however it arrives. A read
// waits until all it asked for has come, so on a slow line no read may ask for more than has
// arrived, and after a fast start a line that slows may hold up the window for one read at most.
#include "net/ReadAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// One stretch of the line: it delivers bytesPerMs until byte `until` has come.
struct Stretch {
  size_t until;
  double bytesPerMs;
};

// A body that comes over a line on a clock of its own: in packets of `packet` bytes, at the
// rates of its stretches. Every call costs 10 us. Asked what has arrived it tells at most 8192
// bytes (the library's buffer), waiting, as WinINet does, until something has come. A read that
// asks for more than has arrived waits until it has. canTell false: it cannot say what has
// arrived. It fails once failAt bytes have gone out.
class LineBody : public HttpBody {
 public:
  LineBody(size_t size, std::vector<Stretch> line, size_t packet, bool canTell = true, size_t failAt = SIZE_MAX)
      : line_(std::move(line)), packet_(packet), canTell_(canTell), failAt_(failAt) {
    for (size_t i = 0; i < size; ++i) data_.push_back(char(i * 7 + i / 251));
  }
  bool Available(uint32_t& bytes) override {
    Tick();
    if (arrived_ == pos_ && pos_ < data_.size()) queryWaits.push_back(WaitFor(pos_ + 1));
    bytes = uint32_t(std::min<size_t>(arrived_ - pos_, 8192));
    return canTell_;
  }
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    Tick();
    reads.push_back(len);
    if (pos_ >= failAt_) return false;
    read = uint32_t(std::min<size_t>({len, data_.size() - pos_, failAt_ - pos_}));
    readWaits.push_back(pos_ + read > arrived_ ? WaitFor(pos_ + read) : 0);
    std::memcpy(buffer, data_.data() + pos_, read);
    pos_ += read;
    return true;
  }
  std::string FailureDetail() override { return "The connection was reset"; }
  UsClock Clock() {
    return [this] { return now_; };
  }
  // Reads that waited longer than ms for the network.
  size_t ReadsWaitingLongerThan(double ms) const {
    return size_t(std::count_if(readWaits.begin(), readWaits.end(), [ms](int64_t us) { return us > ms * 1000; }));
  }

  std::vector<char> data_;
  std::vector<uint32_t> reads;
  std::vector<int64_t> readWaits, queryWaits;  // microseconds

 private:
  // When byte count b has come: its packet's last byte, at the rates of the stretches.
  int64_t ArrivalUs(size_t b) const {
    b = std::min(data_.size(), (b + packet_ - 1) / packet_ * packet_);
    double us = 0;
    size_t from = 0;
    for (const Stretch& s : line_) {
      const size_t to = std::min(b, s.until);
      if (to > from) us += double(to - from) / s.bytesPerMs * 1000;
      from = std::max(from, s.until);
      if (from >= b) break;
    }
    return int64_t(us);
  }
  void Tick() {
    now_ += 10;
    while (arrived_ < data_.size() && ArrivalUs(arrived_ + 1) <= now_)
      arrived_ = std::min(data_.size(), (arrived_ / packet_ + 1) * packet_);
  }
  // Waits until byte count b has come; how long.
  int64_t WaitFor(size_t b) {
    const int64_t wait = std::max<int64_t>(0, ArrivalUs(b) - now_);
    now_ += wait;
    Tick();
    return wait;
  }

  std::vector<Stretch> line_;
  size_t packet_;
  bool canTell_;
  size_t failAt_;
  int64_t now_ = 0;
  size_t arrived_ = 0, pos_ = 0;
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

constexpr double kLoopback = 1e9;  // bytes per ms: there before anyone asks
constexpr double k10KBs = 10;

TEST(ReadAhead, HandsOutTheBodyInChunkSizedPiecesHoweverItArrives) {
  struct Case {
    const char* name;
    size_t size;
    uint32_t chunk;
    std::vector<Stretch> line;
    size_t packet;
    bool canTell;
  } cases[] = {
      {"loopback", 3000000, 8192, {{SIZE_MAX, kLoopback}}, 65536, true},
      {"10 KB/s", 50000, 8192, {{SIZE_MAX, k10KBs}}, 1000, true},
      {"fast start, then 10 KB/s", 3000000, 8192, {{2900000, kLoopback}, {SIZE_MAX, k10KBs}}, 1460, true},
      {"odd pieces", 100000, 5000, {{SIZE_MAX, 1000}}, 3001, true},
      {"tiny body, chunk of one byte", 5, 1, {{SIZE_MAX, 1}}, 1, true},
      {"source that cannot tell", 100000, 8192, {{SIZE_MAX, 1000}}, 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineBody source(c.size, c.line, c.packet, c.canTell);
    ReadAheadBody body(source, {}, source.Clock());
    const Drained out = Drain(body, c.chunk);
    EXPECT_FALSE(out.failed);
    EXPECT_TRUE(out.bytes == source.data_);
    // The same steps as reading chunk by chunk: full chunks, then what is left.
    ASSERT_EQ(out.pieces.size(), (c.size + c.chunk - 1) / c.chunk);
    for (size_t i = 0; i + 1 < out.pieces.size(); ++i) ASSERT_EQ(out.pieces[i], c.chunk);
  }
}

// 10 KB/s in packets of 1000 bytes: the window waits for one packet at most (100 ms), never for a
// read that asks for bytes still on their way.
TEST(ReadAhead, SlowLineIsReadAsItArrives) {
  LineBody source(60000, {{SIZE_MAX, k10KBs}}, 1000);
  ReadAheadBody body(source, {}, source.Clock());
  Drain(body, 8192);
  EXPECT_EQ(source.ReadsWaitingLongerThan(0), 0u);
  for (int64_t us : source.queryWaits) EXPECT_LE(us, 100000) << "waited for more than one packet";
}

// The reads have grown to a megabyte on a fast line that then slows to 10 KB/s: the read under way
// may wait for the rest of what it asked for, the reads after it take what has arrived.
TEST(ReadAhead, SlowingLineAfterAFastStartHoldsUpOneReadAtMost) {
  LineBody source(4200000, {{4100000, kLoopback}, {SIZE_MAX, k10KBs}}, 1460);
  ReadAheadBody body(source, {}, source.Clock());
  Drain(body, 8192);
  EXPECT_EQ(*std::max_element(source.reads.begin(), source.reads.end()), ReadAheadBody::kMaxReadAhead)
      << "large reads while the line was fast";
  EXPECT_LE(source.ReadsWaitingLongerThan(100), 1u);
}

TEST(ReadAhead, ReadSizeFollowsWhatHasArrived) {
  constexpr uint32_t kMax = ReadAheadBody::kMaxReadAhead;
  struct Case {
    bool known;
    uint32_t available, need, grown, size;
  } cases[] = {
      {true, 1000, 8192, 0, 1000},       // part of a chunk has come: that part, no waiting
      {true, 1000, 8192, 65536, 1000},   // however large the reads had grown
      {true, 8192, 8192, 0, 8192},       // a chunk has come
      {true, 8192, 8192, 65536, 65536},  // and the line keeps up: the grown size
      {true, 6000, 5000, 65536, 6000},   // more than the chunk lacks, but no full buffer: no more
      {true, 20000, 5000, 16384, 20000}, {true, 8192, 8192, 5000000, kMax},  // never more than the limit
      {true, 0, 8192, 65536, 8192},                                          // the end: the read that sees it
      {false, 0, 8192, 0, 8192},                                             // cannot tell: what the chunk lacks
      {false, 99999, 5000, 65536, 5000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAheadBody::ReadSize(c.known, c.available, c.need, c.grown), c.size)
        << c.known << " " << c.available << " " << c.need << " " << c.grown;
  }
}

TEST(ReadAhead, ReadsGrowWhileTheLineKeepsUp) {
  LineBody source(4000000, {{SIZE_MAX, kLoopback}}, 65536);
  ReadAheadBody body(source, {}, source.Clock());
  Drain(body, 8192);
  ASSERT_GE(source.reads.size(), 8u);
  const std::vector<uint32_t> first(source.reads.begin(), source.reads.begin() + 8);
  EXPECT_EQ(first, (std::vector<uint32_t>{8192, 16384, 32768, 65536, 131072, 262144, 524288, 1048576}));
}

// While a chunk gathers from several reads, the window is served between them.
TEST(ReadAhead, WindowIsServedBetweenTheReadsOfOneChunk) {
  LineBody source(60000, {{SIZE_MAX, k10KBs}}, 1000);
  std::string events;  // 'R' a read of the source, 'P' the window served, '|' a chunk handed out
  size_t readsSeen = 0;
  const auto noteReads = [&] {
    for (; readsSeen < source.reads.size(); ++readsSeen) events += 'R';
  };
  ReadAheadBody body(
      source,
      [&] {
        noteReads();
        events += 'P';
      },
      source.Clock());
  std::vector<char> buffer(8192);
  uint32_t read = 0;
  do {
    ASSERT_TRUE(body.Read(buffer.data(), 8192, read));
    noteReads();
    events += '|';
  } while (read > 0);
  EXPECT_EQ(events.find("RR"), std::string::npos) << events;
  EXPECT_NE(events.find("RPR"), std::string::npos) << events;
}

TEST(ReadAhead, AFailedReadComesAfterTheBytesBeforeIt) {
  LineBody source(100000, {{SIZE_MAX, kLoopback}}, 3000, true, 50000);
  ReadAheadBody body(source, {}, source.Clock());
  const Drained out = Drain(body, 8192);
  EXPECT_TRUE(out.failed);
  EXPECT_TRUE(out.bytes == std::vector<char>(source.data_.begin(), source.data_.begin() + 50000));
  EXPECT_EQ(body.FailureDetail(), "The connection was reset");
}
}  // namespace
