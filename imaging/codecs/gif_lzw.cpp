#include "imaging/codecs/gif_lzw.h"

#include <cstring>

namespace lumora {

void GatherGIFSubBlocks(const std::uint8_t* data, size_t size, size_t& pos, std::vector<std::uint8_t>* out) {
  while (pos < size) {
    const size_t length = data[pos++];
    if (length == 0) return;
    const size_t take = length <= size - pos ? length : size - pos;
    if (out) out->insert(out->end(), data + pos, data + pos + take);
    pos += take;
  }
}

std::vector<int> GIFRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (height <= 0) return rows;
  rows.reserve(size_t(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  }
  return rows;
}

namespace {

constexpr int kTableSize = 4096;

// Walks the rows of the target in file order and takes the decoded strings.
class TRowWriter {
 public:
  explicit TRowWriter(const TGIFLZWTarget& target) : t_(target) { StartRow(); }

  bool Full() const { return rowsDone_ >= t_.height; }
  bool Aborted() const { return aborted_; }
  std::int64_t Written() const { return written_; }
  int RoomInRow() const { return t_.width - x_; }

  // Writes `len` values that end at `tail` walking backwards through the table.
  void WriteDirect(const std::uint16_t* prefix, const std::uint8_t* suffix, int code, int len) {
    std::uint8_t* p = row_ + x_ + len - 1;
    for (int i = 0; i < len; ++i) {
      *p-- = suffix[code];
      code = prefix[code];
    }
    Advance(len);
  }

  void WriteSpan(const std::uint8_t* values, int len) {
    while (len > 0 && !Full() && !aborted_) {
      const int n = len < RoomInRow() ? len : RoomInRow();
      std::memcpy(row_ + x_, values, size_t(n));
      values += n;
      len -= n;
      Advance(n);
    }
  }

 private:
  void StartRow() {
    if (Full()) return;
    row_ = t_.row0 + std::ptrdiff_t(y_) * t_.stride;
    x_ = 0;
  }

  void Advance(int n) {
    x_ += n;
    written_ += n;
    if (x_ < t_.width) return;
    const int finished = y_;
    ++rowsDone_;
    NextY();
    if (t_.onRow && !t_.onRow(rowsDone_, finished)) aborted_ = true;
    StartRow();
  }

  void NextY() {
    if (!t_.interlaced) {
      ++y_;
      return;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    y_ += kStep[pass_];
    while (y_ >= t_.height && pass_ < 3) {
      ++pass_;
      y_ = kStart[pass_];
    }
  }

  const TGIFLZWTarget& t_;
  std::uint8_t* row_ = nullptr;
  int x_ = 0;
  int y_ = 0;
  int pass_ = 0;
  int rowsDone_ = 0;
  std::int64_t written_ = 0;
  bool aborted_ = false;
};

}  // namespace

TGIFLZWOutcome DecodeGIFLZW(const std::uint8_t* code, size_t size, const TGIFLZWTarget& target) {
  TGIFLZWOutcome outcome;
  if (size < 1) {
    outcome.result = TGIFLZWResult::EndedEarly;
    return outcome;
  }
  const int minSize = code[0];
  if (minSize < kGIFMinCodeSizeLow || minSize > kGIFMinCodeSizeHigh) {
    outcome.result = TGIFLZWResult::BadCodeSize;
    return outcome;
  }
  if (target.width <= 0 || target.height <= 0) return outcome;

  std::uint16_t prefix[kTableSize];
  std::uint8_t suffix[kTableSize];
  std::uint8_t first[kTableSize];
  std::uint16_t length[kTableSize];
  std::uint8_t stack[kTableSize];
  const int clear = 1 << minSize;
  const int endCode = clear + 1;
  for (int i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = std::uint8_t(i);
    first[i] = std::uint8_t(i);
    length[i] = 1;
  }

  TRowWriter writer(target);
  int width = minSize + 1;
  int next = clear + 2;
  int prev = -1;  // no previous string right after a clear
  std::uint64_t bits = 0;
  int bitCount = 0;
  size_t pos = 1;
  TGIFLZWResult result = TGIFLZWResult::EndedEarly;

  while (!writer.Full()) {
    while (bitCount < width && pos < size) {
      bits |= std::uint64_t(code[pos++]) << bitCount;
      bitCount += 8;
    }
    if (bitCount < width) break;  // the data ended
    const int c = int(bits & ((1u << width) - 1));
    bits >>= width;
    bitCount -= width;

    if (c == clear) {
      width = minSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (c == endCode) break;
    if (c > next || (c == next && prev < 0) || (prev < 0 && c >= clear)) {
      result = TGIFLZWResult::Damaged;
      break;
    }
    if (prev >= 0 && next < kTableSize) {
      prefix[next] = std::uint16_t(prev);
      suffix[next] = c < next ? first[c] : first[prev];
      first[next] = first[prev];
      length[next] = std::uint16_t(length[prev] + 1);
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    const int len = length[c];
    if (len <= writer.RoomInRow()) {
      writer.WriteDirect(prefix, suffix, c, len);
    } else {
      int k = c;
      for (int i = len - 1; i >= 0; --i) {
        stack[i] = suffix[k];
        k = prefix[k];
      }
      writer.WriteSpan(stack, len);
    }
    if (writer.Aborted()) {
      result = TGIFLZWResult::Aborted;
      break;
    }
    prev = c;
  }
  if (writer.Full() && result != TGIFLZWResult::Aborted) result = TGIFLZWResult::Complete;
  outcome.result = result;
  outcome.pixelsWritten = writer.Written();
  return outcome;
}

}  // namespace lumora
