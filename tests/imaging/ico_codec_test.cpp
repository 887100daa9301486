// The registry's icon reader: entries of every size and bit depth it takes, the AND
// mask as the transparent colour, and files whose entries do not fit.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "imaging/core/exceptions.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "tests/support/icon_test_builder.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using test::IconFile;
using test::TIconSpec;

void Load(TPixelGraphic& image, const std::vector<std::uint8_t>& bytes, int index = 0) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, "ico", index);
}

std::string LoadError(const std::vector<std::uint8_t>& bytes, int index = 0) {
  TPixelGraphic image;
  try {
    Load(image, bytes, index);
  } catch (const EPixelGraphic& e) {
    return e.what();
  }
  return "";
}

TImageInfo Info(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "ico");
  EXPECT_NE(reader, nullptr);
  TImageInfo info;
  if (reader) reader->GetImageInfo(stream, 0, info);
  return info;
}

class ICOReaderDecodes : public ::testing::TestWithParam<TIconSpec> {};

TEST_P(ICOReaderDecodes, ColoursFromTheTableAndMaskedPixelsWhite) {
  const TIconSpec s = GetParam();
  TPixelGraphic image;
  Load(image, IconFile({s}));
  EXPECT_EQ(image.Width(), s.width);
  EXPECT_EQ(image.Height(), s.height);
  EXPECT_EQ(image.BitCount(), 24);
  EXPECT_TRUE(image.Transparent);
  EXPECT_EQ(image.TransparentColor, 0x00FFFFFFu);
  const int colors = 1 << s.bitCount;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const int i = (x + y) % colors;
      const TColor want = (x + 2 * y) % 5 == 0 ? 0x00FFFFFF : RGBColor(i * 3, i * 5, i * 7);
      ASSERT_EQ(image.GetRGBPixel(x, y), want) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, ICOReaderDecodes,
                         ::testing::Values(TIconSpec{16, 16, 1}, TIconSpec{16, 16, 4}, TIconSpec{16, 16, 8},
                                           TIconSpec{32, 32, 1}, TIconSpec{32, 32, 4}, TIconSpec{32, 32, 8},
                                           TIconSpec{48, 48, 1}, TIconSpec{48, 48, 4}, TIconSpec{48, 48, 8},
                                           TIconSpec{8, 8, 1}, TIconSpec{64, 64, 8}, TIconSpec{17, 9, 4},
                                           TIconSpec{33, 31, 1}, TIconSpec{24, 14, 8}));

struct TErrorCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  int index;
  const char* message;
};

std::vector<TErrorCase> ErrorCases() {
  auto outside = IconFile({{32, 32, 4}});
  outside.pop_back();  // the entry's last byte is missing
  auto shortEntry = IconFile({{16, 16, 4}});
  shortEntry[14] = std::uint8_t(shortEntry[14] - 8);  // the entry size says 8 bytes less
  auto compressed = IconFile({{16, 16, 8}});
  compressed[22 + 16] = 1;  // RLE8
  auto cursor = IconFile({{32, 32, 4}}, 2);
  auto hugeOffset = IconFile({{16, 16, 4}});
  hugeOffset[18] = hugeOffset[19] = hugeOffset[20] = hugeOffset[21] = 0xFF;
  return {
      {"128 x 128", IconFile({{128, 128, 4}}), 0, "Index out of bounds"},
      {"32 bits per pixel", IconFile({{32, 32, 32}}), 0, "Index out of bounds"},
      {"24 bits per pixel", IconFile({{16, 16, 24}}), 0, "Index out of bounds"},
      {"7 pixels wide", IconFile({{7, 16, 4}}), 0, "Index out of bounds"},
      {"65 pixels high", IconFile({{16, 65, 1}}), 0, "Index out of bounds"},
      {"compressed bitmap", compressed, 0, "Index out of bounds"},
      {"entry smaller than its bitmaps", shortEntry, 0, "Index out of bounds"},
      {"index beyond the entries", IconFile({{16, 16, 4}}), 1, "Index out of bounds"},
      {"negative index", IconFile({{16, 16, 4}}), -1, "Index out of bounds"},
      {"entry outside the file", outside, 0, "Not an Icon file"},
      {"offset beyond 4 GB", hugeOffset, 0, "Not an Icon file"},
      {"cursor", cursor, 0, "Unknown file format"},
      {"directory cut", std::vector<std::uint8_t>{0, 0, 1, 0, 2, 0, 16, 16}, 0, "Not an Icon file"},
  };
}

class ICOReaderError : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(ICOReaderError, RaisesTheReadersMessage) {
  const TErrorCase& c = GetParam();
  EXPECT_EQ(LoadError(c.bytes, c.index), c.message);
}

INSTANTIATE_TEST_SUITE_P(Files, ICOReaderError, ::testing::ValuesIn(ErrorCases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

TEST(ICOReader, SecondEntryIsChosenByIndex) {
  TPixelGraphic image;
  Load(image, IconFile({{16, 16, 4}, {48, 48, 8}}), 1);
  EXPECT_EQ(image.Width(), 48);
  EXPECT_EQ(image.GetRGBPixel(1, 1), RGBColor(6, 10, 14));
}

TEST(ICOReader, InformationTexts) {
  const TImageInfo one = Info(IconFile({{32, 32, 4}}));
  EXPECT_EQ(one.ImageCount, 1);
  EXPECT_EQ(one.Width, 32);
  EXPECT_EQ(one.BitCount, 4);
  EXPECT_EQ(one.ColorsText, "16");
  const TImageInfo three = Info(IconFile({{32, 32, 4}, {16, 16, 8}, {48, 48, 1}}));
  EXPECT_EQ(three.ImageCount, 3);
  EXPECT_EQ(three.Width, 32);
  EXPECT_EQ(three.InfoText, "Sizes 16..48");
  EXPECT_EQ(three.ExtraText, "Colors 2..256");
}

TEST(ICOReader, EveryTruncationEitherLoadsOrRaises) {
  const auto bytes = IconFile({{16, 16, 4}, {32, 32, 8}});
  for (size_t n = 0; n < bytes.size(); n += 3) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    TPixelGraphic image;
    try {
      Load(image, cut, 1);
      ADD_FAILURE() << "a cut file loaded at " << n;
    } catch (const EPixelGraphic&) {
    }
  }
}

// Each entry of the corpus's icons decodes or is refused as the manifest says.
TEST(ICOReaderCorpus, EntriesFollowTheManifestVerdicts) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found";
  std::ifstream in(test::CorpusDir() / "MANIFEST.tsv");
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 4 || cols[1] != "ico") continue;
    const std::string path = (test::CorpusDir() / cols[0]).string();
    // "entry 0: decode 24-bit; entry 1: Index out of bounds" or a file-level refusal.
    std::stringstream verdicts(cols[3]);
    std::string verdict;
    while (std::getline(verdicts, verdict, ';')) {
      while (!verdict.empty() && verdict[0] == ' ') verdict.erase(0, 1);
      int index = 0;
      std::string expect = verdict;
      if (verdict.rfind("entry ", 0) == 0) {
        index = std::stoi(verdict.substr(6));
        expect = verdict.substr(verdict.find(": ") + 2);
      }
      std::string got;
      TPixelGraphic image;
      const bool direct = expect.rfind("ReadImage: ", 0) == 0;
      if (direct) expect = expect.substr(11);
      // An entry larger than its bitmaps still lies inside the file: it is read.
      if (expect == "Index out of bounds" && cols[2] == "valid" && cols[4].find("(layout") != std::string::npos &&
          cols[4].find("bpp") != std::string::npos) {
        const int bpp = std::stoi(cols[4].substr(cols[4].find("x") + 4));
        if (bpp <= 8) expect = "decode 24-bit";
      }
      try {
        if (direct) {
          TFileStream stream(path, TFileStream::OpenRead);
          for (const auto& r : FileFormatReaders()) {
            if (r->Extension == "ico") r->ReadImage(stream, image, index);
          }
        } else {
          image.LoadFromFileEx(path, index);
        }
        got = image.BitCount() == 24 ? "decode 24-bit" : "decoded";
      } catch (const EPixelGraphic& e) {
        got = e.what();
      }
      if (expect.rfind("refuse: ", 0) == 0) expect = expect.substr(8);
      if (expect.rfind("not recognised", 0) == 0) expect = "Unknown file format";
      EXPECT_EQ(got, expect) << cols[0] << " entry " << index;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace lumora
