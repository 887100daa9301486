#pragma once
// Byte input of the small readers (PCX, PBM/PGM/PPM, TGA): a 1,024-byte window over
// the stream. Running out of data raises the reader's exception with its prefix and
// "Unexpected end of file". Large reads bypass the window.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "imaging/core/messages.h"
#include "imaging/core/stream.h"

namespace lumora {

template <class TError, size_t WindowSize = 1024>
class TBufferedInput {
 public:
  static constexpr size_t kWindow = WindowSize;

  TBufferedInput(TStream& stream, std::string prefix) : stream_(stream), prefix_(std::move(prefix)) {
    streamPos_ = stream_.Position();
  }

  [[noreturn]] void RaiseEOF() const { throw TError(prefix_ + PGMessage(msgUnexpectedEOF)); }

  // The logical position in the stream.
  std::int64_t Position() const { return streamPos_ - std::int64_t(end_ - pos_); }
  // Bytes left in the stream after the logical position.
  std::int64_t Remaining() { return std::max<std::int64_t>(0, stream_.Size() - Position()); }

  // The next byte, or -1 at the end of the data.
  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return buffer_[pos_];
  }
  // The next byte; raises at the end of the data.
  std::uint8_t Byte() {
    if (pos_ == end_ && !Fill()) RaiseEOF();
    return buffer_[pos_++];
  }
  // Reads exactly `count` bytes; raises at the end of the data.
  void Read(void* target, size_t count) {
    if (count == 0) return;  // the target of an empty read may be a null pointer
    auto* out = static_cast<std::uint8_t*>(target);
    const size_t fromWindow = std::min(count, end_ - pos_);
    std::memcpy(out, buffer_ + pos_, fromWindow);
    pos_ += fromWindow;
    out += fromWindow;
    count -= fromWindow;
    if (count == 0) return;
    if (count >= kWindow) {
      pos_ = end_ = 0;
      const size_t got = stream_.Read(out, count);
      streamPos_ += std::int64_t(got);
      if (got != count) RaiseEOF();
      return;
    }
    if (!Fill() || end_ < count) RaiseEOF();
    std::memcpy(out, buffer_, count);
    pos_ = count;
  }
  void Skip(std::int64_t count) { Seek(Position() + count); }
  void Seek(std::int64_t position) {
    const std::int64_t windowStart = streamPos_ - std::int64_t(end_);
    if (position >= windowStart && position <= streamPos_) {
      pos_ = size_t(position - windowStart);
      return;
    }
    stream_.SetPosition(position);
    streamPos_ = position;
    pos_ = end_ = 0;
  }
  // Puts the stream at the logical position (for callers that read on directly).
  void Sync() { stream_.SetPosition(Position()); }

 private:
  bool Fill() {
    pos_ = 0;
    end_ = stream_.Read(buffer_, kWindow);
    streamPos_ += std::int64_t(end_);
    return end_ > 0;
  }

  TStream& stream_;
  std::string prefix_;
  std::uint8_t buffer_[kWindow];
  size_t pos_ = 0;
  size_t end_ = 0;
  std::int64_t streamPos_ = 0;  // stream position after the window's last byte
};

// "2", "16", "256", ... for BitCount bits.
inline std::string PowerOfTwoText(int bitCount) {
  return bitCount >= 0 && bitCount < 63 ? std::to_string(std::uint64_t(1) << bitCount) : std::string();
}

}  // namespace lumora
