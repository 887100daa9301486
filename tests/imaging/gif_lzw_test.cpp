// The shared LZW decoder: hostile code streams stay inside the table and the frame,
// and whatever our encoder writes decodes back to the same indices.
#include <gtest/gtest.h>

#include <random>

#include "imaging/codecs/gif_lzw.h"
#include "imaging/codecs/gif_writer.h"
#include "tests/imaging/gif_test_util.h"

namespace lumora {
namespace {

using test::RawLZWCodes;

struct TDecoded {
  TGIFLZWOutcome outcome;
  std::vector<std::uint8_t> pixels;  // with a guard zone after the frame
  std::vector<int> rows;             // the rows in the order they were completed
};

constexpr size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;

TDecoded Decode(const std::vector<std::uint8_t>& code, int width, int height, bool interlaced = false) {
  TDecoded d;
  d.pixels.assign(size_t(width) * size_t(height) + kGuard, kGuardByte);
  std::fill(d.pixels.begin(), d.pixels.begin() + std::ptrdiff_t(width) * height, 0);
  TGIFLZWTarget target;
  target.width = width;
  target.height = height;
  target.interlaced = interlaced;
  target.row0 = d.pixels.data();
  target.stride = width;
  target.onRow = [&](int, int row) {
    d.rows.push_back(row);
    return true;
  };
  d.outcome = DecodeGIFLZW(code.data(), code.size(), target);
  return d;
}

bool GuardIntact(const TDecoded& d) {
  for (size_t i = d.pixels.size() - kGuard; i < d.pixels.size(); ++i) {
    if (d.pixels[i] != kGuardByte) return false;
  }
  return true;
}

struct THostileCase {
  const char* name;
  std::vector<std::uint8_t> code;
  TGIFLZWResult expected;
  std::int64_t pixels;
};

std::vector<THostileCase> HostileCases() {
  return {
      {"min code size 0", RawLZWCodes(0, {{1, 1}, {0, 1}, {0, 1}}), TGIFLZWResult::BadCodeSize, 0},
      {"min code size 12", RawLZWCodes(12, {{4096, 13}, {1, 13}}), TGIFLZWResult::BadCodeSize, 0},
      {"min code size 15", RawLZWCodes(15, {{32768, 16}, {1, 16}}), TGIFLZWResult::BadCodeSize, 0},
      {"code beyond the next free", RawLZWCodes(2, {{4, 3}, {1, 3}, {7, 3}}), TGIFLZWResult::Damaged, 1},
      {"next free code right after a clear", RawLZWCodes(2, {{4, 3}, {6, 3}}), TGIFLZWResult::Damaged, 0},
      {"end code first", RawLZWCodes(2, {{4, 3}, {5, 3}}), TGIFLZWResult::EndedEarly, 0},
      {"no data at all", std::vector<std::uint8_t>{2}, TGIFLZWResult::EndedEarly, 0},
      {"empty input", std::vector<std::uint8_t>{}, TGIFLZWResult::EndedEarly, 0},
      {"several leading clears", RawLZWCodes(2, {{4, 3}, {4, 3}, {4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}}),
       TGIFLZWResult::Complete, 4},
      {"no clear code at the start", RawLZWCodes(2, {{1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}}),
       TGIFLZWResult::Complete, 4},
      {"more pixels than the frame", RawLZWCodes(2, {{4, 3}, {1, 3}, {6, 3}, {7, 3}, {8, 4}, {5, 4}}),
       TGIFLZWResult::Complete, 4},
  };
}

class HostileLZW : public ::testing::TestWithParam<THostileCase> {};

TEST_P(HostileLZW, StaysInsideTheFrameAndReportsTheDamage) {
  const THostileCase& c = GetParam();
  const TDecoded d = Decode(c.code, 2, 2);
  EXPECT_EQ(d.outcome.result, c.expected);
  EXPECT_EQ(d.outcome.pixelsWritten, c.pixels);
  EXPECT_TRUE(GuardIntact(d));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileLZW, ::testing::ValuesIn(HostileCases()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(GIFLZW, KwKwKCodeRepeatsThePreviousStringAndItsFirstValue) {
  // 1, then code 6 = "1" + "1", then 7 = "11" + "1": 1 1 1 1 1 1
  const TDecoded d = Decode(RawLZWCodes(2, {{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}}), 6, 1);
  EXPECT_EQ(d.outcome.result, TGIFLZWResult::Complete);
  EXPECT_EQ(std::vector<std::uint8_t>(d.pixels.begin(), d.pixels.begin() + 6), std::vector<std::uint8_t>(6, 1));
}

// The widths a decoder uses when every code after the first adds a table entry.
std::vector<std::pair<int, int>> LiteralRun(int minCodeSize, int count, bool withClear) {
  std::vector<std::pair<int, int>> codes;
  int width = minCodeSize + 1;
  int next = (1 << minCodeSize) + 2;
  if (withClear) codes.push_back({1 << minCodeSize, width});
  for (int i = 0; i < count; ++i) {
    codes.push_back({i % 2, width});
    if (i > 0 && next < 4096) {
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
  }
  return codes;
}

TEST(GIFLZW, FullTableWithoutClearKeepsDecodingAt12Bits) {
  const int count = 6000;  // far beyond the 4090 entries the table can take
  const TDecoded d = Decode(RawLZWCodes(2, LiteralRun(2, count, true)), count, 1);
  EXPECT_EQ(d.outcome.result, TGIFLZWResult::Complete);
  for (int i = 0; i < count; ++i) ASSERT_EQ(d.pixels[size_t(i)], i % 2) << i;
  EXPECT_TRUE(GuardIntact(d));
}

TEST(GIFLZW, DataEndingEarlyLeavesTheRestUntouched) {
  std::vector<std::uint8_t> code = RawLZWCodes(2, LiteralRun(2, 40, true));
  code.resize(code.size() / 2);
  const TDecoded d = Decode(code, 40, 1);
  EXPECT_EQ(d.outcome.result, TGIFLZWResult::EndedEarly);
  EXPECT_GT(d.outcome.pixelsWritten, 0);
  EXPECT_LT(d.outcome.pixelsWritten, 40);
  for (int i = int(d.outcome.pixelsWritten); i < 40; ++i) EXPECT_EQ(d.pixels[size_t(i)], 0);
}

TEST(GIFLZW, InterlacedRowsComeInTheFourPassOrder) {
  std::vector<std::uint8_t> indices(10);
  std::vector<std::uint8_t> code;
  EncodeGIFLZW(indices.data(), indices.size(), 2, code);
  std::vector<std::uint8_t> raw{code[0]};
  size_t pos = 1;
  GatherGIFSubBlocks(code.data(), code.size(), pos, &raw);
  const TDecoded d = Decode(raw, 1, 10, true);
  EXPECT_EQ(d.rows, (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
  EXPECT_EQ(GIFRowOrder(10, true), d.rows);
}

TEST(GIFLZW, AbortFromTheRowCallbackStops) {
  std::vector<std::uint8_t> indices(100, 1);
  std::vector<std::uint8_t> framed, raw;
  EncodeGIFLZW(indices.data(), indices.size(), 2, framed);
  raw.push_back(framed[0]);
  size_t pos = 1;
  GatherGIFSubBlocks(framed.data(), framed.size(), pos, &raw);
  std::vector<std::uint8_t> pixels(100);
  int rows = 0;
  TGIFLZWTarget target{10, 10, false, pixels.data(), 10, [&](int done, int) {
                         rows = done;
                         return done < 3;
                       }};
  EXPECT_EQ(DecodeGIFLZW(raw.data(), raw.size(), target).result, TGIFLZWResult::Aborted);
  EXPECT_EQ(rows, 3);
}

TEST(GIFLZW, SubBlockGatheringStopsAtTheEndOfTheData) {
  const std::vector<std::uint8_t> data{3, 'a', 'b', 'c', 200, 'd', 'e'};
  size_t pos = 0;
  std::vector<std::uint8_t> out;
  GatherGIFSubBlocks(data.data(), data.size(), pos, &out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));
  EXPECT_EQ(pos, data.size());
}

struct TRoundTrip {
  int width, height, minCodeSize, colors;
};

class LZWRoundTrip : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(LZWRoundTrip, EncoderOutputDecodesToTheSameIndices) {
  const TRoundTrip p = GetParam();
  std::mt19937 rng(1234 + p.width);
  std::vector<std::uint8_t> indices(size_t(p.width) * size_t(p.height));
  // Runs and noise, so the table both grows long strings and fills up.
  for (size_t i = 0; i < indices.size(); ++i) {
    indices[i] = (rng() % 4 == 0) ? std::uint8_t(rng() % p.colors) : (i ? indices[i - 1] : 0);
  }
  std::vector<std::uint8_t> framed;
  EncodeGIFLZW(indices.data(), indices.size(), p.minCodeSize, framed);
  std::vector<std::uint8_t> raw{framed[0]};
  size_t pos = 1;
  GatherGIFSubBlocks(framed.data(), framed.size(), pos, &raw);
  EXPECT_EQ(pos, framed.size());
  const TDecoded d = Decode(raw, p.width, p.height);
  EXPECT_EQ(d.outcome.result, TGIFLZWResult::Complete);
  EXPECT_TRUE(std::equal(indices.begin(), indices.end(), d.pixels.begin()));
}

INSTANTIATE_TEST_SUITE_P(Sizes, LZWRoundTrip,
                         ::testing::Values(TRoundTrip{1, 1, 2, 1}, TRoundTrip{7, 3, 2, 2}, TRoundTrip{64, 64, 2, 4},
                                           TRoundTrip{100, 80, 4, 16}, TRoundTrip{300, 300, 8, 256},
                                           TRoundTrip{1000, 50, 3, 8}));

}  // namespace
}  // namespace lumora
