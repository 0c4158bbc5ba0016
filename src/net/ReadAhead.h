// Reads a response body from the network in large pieces and hands it out in the transfer loop's
// chunk sizes. Every read of the Internet library has a fixed cost (under Wine, round trips to
// the server that add up to more than the transfer itself at 8 KB a read), so while the data
// arrives faster than it is taken the reads grow, up to kMaxReadAhead. But a synchronous read
// returns only when all it asked for is there: each read first asks what has arrived, and unless
// the library's buffer is full (the data piles up) it takes only that, with the window served
// between the reads that gather a chunk, so that on a slow or slowing line the window keeps
// answering; after a fast start, only the read under way when the line slows can hold it up.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/HttpTransfer.h"
#include "platform/System.h"

// Microseconds of a steady clock; injected by tests.
using UsClock = std::function<int64_t()>;

class ReadAheadBody : public HttpBody {
 public:
  static constexpr uint32_t kMaxReadAhead = 1048576;
  // A full read that took at most kFastUs lets the next one ask for twice as much; one that took
  // longer than kSlowUs, or came back short, ends the growth.
  static constexpr int64_t kFastUs = 2000;
  static constexpr int64_t kSlowUs = 20000;
  // As much as the library holds when its buffer is full (Wine's WinINet tells no more): only
  // then is the data known to come faster than it is taken, and may reads grow beyond it.
  static constexpr uint32_t kFullBuffer = 8192;

  // betweenReads runs between two reads that gather one chunk.
  explicit ReadAheadBody(HttpBody& source, std::function<void()> betweenReads = {}, UsClock clock = TickUs);
  // Hands out len bytes of what was read ahead, reading first, as often as it takes, while fewer
  // are held; fewer only at the end of the body or before a failed read, which is reported once
  // what came before it has been handed out.
  bool Read(char* buffer, uint32_t len, uint32_t& read) override;
  std::string FailureDetail() override { return source_.FailureDetail(); }

  // The size of the next read from the source, which still owes need bytes of a chunk. known:
  // the source told what has arrived (available); grown: what the reads have grown to while the
  // data kept up. Less arrived than a full buffer: all of it, no waiting (less than the chunk
  // lacks, too). A full buffer or more: all of it, or the grown size, at most kMaxReadAhead. The
  // end of the body (nothing arrived), or a source that cannot tell: what is needed.
  static uint32_t ReadSize(bool known, uint32_t available, uint32_t need, uint32_t grown);

 private:
  void Fill(uint32_t need);

  HttpBody& source_;
  std::function<void()> betweenReads_;
  UsClock clock_;
  std::vector<char> data_;
  size_t begin_ = 0, end_ = 0;
  uint32_t grown_ = 0;
  bool racing_ = false;  // the last read was of the largest size and came back fast
  bool ended_ = false, failed_ = false;
};
