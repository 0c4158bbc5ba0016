// Reads a response body from the network in large pieces and hands it out in the transfer loop's
// chunk sizes. Every read of the Internet library has a fixed cost (under Wine, round trips to
// the server that add up to more than the transfer itself at 8 KB a read), so while the data
// arrives faster than it is asked for the reads grow, up to kMaxReadAhead; as soon as a read has
// to wait for the network they fall back to the chunk size, so that the window between two
// chunks is never kept waiting for more than a chunk's worth of data on a slow line.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/InetHTTP.h"

// Microseconds of a steady clock; injected by tests.
using UsClock = std::function<int64_t()>;
int64_t SteadyMicroseconds();

class ReadAheadBody : public HttpBody {
 public:
  static constexpr uint32_t kMaxReadAhead = 1048576;
  // A full read that took at most kFastUs asks for twice as much the next time; one that took
  // longer than kSlowUs goes back to the caller's chunk size.
  static constexpr int64_t kFastUs = 2000;
  static constexpr int64_t kSlowUs = 20000;

  explicit ReadAheadBody(HttpBody& source, UsClock clock = SteadyMicroseconds);
  // Hands out up to len bytes of what was read ahead, reading once more first when fewer than len
  // are held. A failed read of the source is reported once what came before it has been handed out.
  bool Read(char* buffer, uint32_t len, uint32_t& read) override;
  std::string FailureDetail() override { return source_.FailureDetail(); }
  // The size of the next read from the source (for tests and benchmarks).
  uint32_t NextReadSize() const { return next_; }

 private:
  void Fill(uint32_t len);

  HttpBody& source_;
  UsClock clock_;
  std::vector<char> data_;
  size_t begin_ = 0, end_ = 0;
  uint32_t next_ = 0;
  bool ended_ = false, failed_ = false;
};
