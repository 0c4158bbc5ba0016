// Large reads from the network while the data keeps up, reads of what has arrived when it does not.
#include "net/ReadAhead.h"

#include <algorithm>
#include <cstring>

ReadAheadBody::ReadAheadBody(HttpBody& source, std::function<void()> betweenReads, UsClock clock)
    : source_(source), betweenReads_(std::move(betweenReads)), clock_(std::move(clock)) {}

uint32_t ReadAheadBody::ReadSize(bool known, uint32_t available, uint32_t need, uint32_t grown) {
  if (!known || available == 0) return need;
  if (available < need || available < kFullBuffer) return available;
  return std::min(std::max(available, grown), kMaxReadAhead);
}

void ReadAheadBody::Fill(uint32_t need) {
  // What is left goes to the front, so that the buffer never holds more than one read plus a chunk.
  if (begin_ > 0) {
    std::memmove(data_.data(), data_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  // While reads of the largest size come back fast, the next one goes ahead unasked: the last one
  // showed the data comes faster than asking would tell (under Wine each question costs a round
  // trip), and a read under way when the line slows waits either way.
  uint32_t available = kMaxReadAhead;
  const bool known = racing_ || source_.Available(available);
  // The data does not pile up: no read may wait for it, so no growth either.
  const bool keepsUp = known && available >= need && available >= kFullBuffer;
  if (!keepsUp) grown_ = 0;
  const uint32_t want = ReadSize(known, available, need, grown_);
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
  racing_ = want == kMaxReadAhead && got == want && took <= kFastUs;
  if (got == 0) {
    ended_ = true;
  } else if (keepsUp && got == want && took <= kFastUs) {
    grown_ = std::min(want * 2, kMaxReadAhead);
  } else if (got < want || took > kSlowUs) {
    grown_ = 0;
  }
}

bool ReadAheadBody::Read(char* buffer, uint32_t len, uint32_t& read) {
  read = 0;
  for (bool first = true; end_ - begin_ < len && !ended_ && !failed_; first = false) {
    if (!first && betweenReads_) betweenReads_();
    Fill(uint32_t(len - (end_ - begin_)));
  }
  if (begin_ == end_ && failed_) return false;
  read = uint32_t(std::min<size_t>(len, end_ - begin_));
  std::memcpy(buffer, data_.data() + begin_, read);
  begin_ += read;
  return true;
}
