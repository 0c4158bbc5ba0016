// Large reads from the network, handed out chunk by chunk.
#include "net/ReadAhead.h"

#include <algorithm>
#include <chrono>
#include <cstring>

int64_t SteadyMicroseconds() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

ReadAheadBody::ReadAheadBody(HttpBody& source, UsClock clock) : source_(source), clock_(std::move(clock)) {}

void ReadAheadBody::Fill(uint32_t len) {
  // What is left goes to the front, so that the buffer never holds more than one read plus a chunk.
  if (begin_ > 0) {
    std::memmove(data_.data(), data_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  next_ = std::max(next_, len);
  const uint32_t want = next_;
  if (data_.size() < end_ + want) data_.resize(end_ + want);
  uint32_t got = 0;
  const int64_t start = clock_();
  if (!source_.Read(data_.data() + end_, want, got)) {
    failed_ = true;
    return;
  }
  const int64_t took = clock_() - start;
  got = std::min(got, want);  // never trust a count beyond what was asked for
  end_ += got;
  if (got == 0) {
    ended_ = true;
  } else if (got == want && took <= kFastUs) {
    next_ = std::min(want * 2, std::max(kMaxReadAhead, len));
  } else if (got < want || took > kSlowUs) {
    // A short read (a chunk boundary of the encoding, or the end coming) or one that had to wait.
    next_ = len;
  }
}

bool ReadAheadBody::Read(char* buffer, uint32_t len, uint32_t& read) {
  read = 0;
  if (end_ - begin_ < len && !ended_ && !failed_) Fill(len);
  if (begin_ == end_ && failed_) return false;
  read = uint32_t(std::min<size_t>(len, end_ - begin_));
  std::memcpy(buffer, data_.data() + begin_, read);
  begin_ += read;
  return true;
}
