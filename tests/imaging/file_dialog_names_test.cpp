#include "imaging/view/file_dialog_names.h"

#include <gtest/gtest.h>

#include "imaging/core/registry.h"

namespace lumora {
namespace {

TEST(DialogFilterTest, ParsesBarSeparatedEntries) {
  const auto e = ParseDialogFilter("Image files|*.bmp; *.dib|BMP - Bitmap|*.bmp|All files|*.*");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0], (TDialogFilterEntry{"Image files", {"*.bmp", "*.dib"}}));
  EXPECT_EQ(NameFilterText(e[0]), "Image files (*.bmp *.dib)");
  EXPECT_EQ(NameFilterText(e[1]), "BMP - Bitmap (*.bmp)");
  EXPECT_EQ(EntryExtension(e[0]), "");
  EXPECT_EQ(EntryExtension(e[1]), "bmp");
  EXPECT_EQ(EntryExtension(e[2]), "");
}

TEST(DialogFilterTest, RegistryFiltersConvert) {
  const auto open = ParseDialogFilter(BuildOpenFilter());
  ASSERT_GE(open.size(), 1u);
  EXPECT_EQ(open.back(), (TDialogFilterEntry{"All files", {"*.*"}}));
  int shown = 0;
  for (const auto& r : FileFormatReaders()) shown += r->ShowInFilter;
  EXPECT_EQ(open.size(), size_t(shown ? shown + 2 : 1));
  const auto save = ParseDialogFilter(BuildSaveFilter());
  for (size_t i = 0; i < save.size(); ++i) EXPECT_EQ(EntryExtension(save[i]), FilterExtension(int(i) + 1, false));
}

TEST(SaveDialogTest, PreselectsTheFileNamesType) {
  const auto e = ParseDialogFilter("BMP - Bitmap|*.bmp|JPG - JPEG|*.jpg|PNG - PNG|*.png|");
  EXPECT_EQ(PreselectFilterIndex(e, "/x/photo.JPG"), 2);
  EXPECT_EQ(PreselectFilterIndex(e, "photo.png"), 3);
  EXPECT_EQ(PreselectFilterIndex(e, "noext"), 0);
  EXPECT_EQ(PreselectFilterIndex(e, "a.tiff"), 0);
  EXPECT_EQ(PreselectFilterIndex(e, "dir.bmp/file"), 0);
}

struct RenameCase {
  const char* name;
  const char* ext;
  bool several, folder;
  const char* current;
  const char* result;  // nullptr: unchanged
};

class RenameTest : public ::testing::TestWithParam<RenameCase> {};

TEST_P(RenameTest, SwitchesTheExtension) {
  const RenameCase c = GetParam();
  const auto r = RenameForFileType(c.name, c.ext, c.several, c.folder, c.current);
  if (!c.result) {
    EXPECT_FALSE(r.has_value()) << c.name;
  } else {
    ASSERT_TRUE(r.has_value()) << c.name;
    EXPECT_EQ(*r, c.result);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameTest,
    ::testing::Values(RenameCase{"photo.bmp", "png", false, false, "/home", "photo.png"},
                      RenameCase{"photo", "png", false, false, "/home", "photo.png"},
                      RenameCase{"my.file.name.bmp", "tif", false, false, "/home", "my.file.name.tif"},
                      RenameCase{"/home/u/photo.jpg", "png", false, false, "/home/u", "photo.png"},
                      RenameCase{"/home/u/photo.jpg", "png", false, false, "/home/u/", "photo.png"},
                      RenameCase{"/home/u/photo.jpg", "png", false, false, "/tmp", "/home/u/photo.png"},
                      RenameCase{"dir.v1/photo", "png", false, false, "/x", "dir.v1/photo.png"},
                      RenameCase{"\"a.bmp\" \"b.bmp\"", "png", true, false, "/x", nullptr},
                      RenameCase{"/home/u", "png", false, true, "/home", nullptr}));

TEST(SaveDialogTest, ChosenNameGetsTheEntrysExtension) {
  EXPECT_EQ(WithDefaultExtension("a", "bmp"), "a.bmp");
  EXPECT_EQ(WithDefaultExtension("a.jpg", "bmp"), "a.jpg");
  EXPECT_EQ(WithDefaultExtension("dir.d/a", "png"), "dir.d/a.png");
  EXPECT_EQ(WithDefaultExtension("a", ""), "a");
}

struct PreviewCase {
  int w, h, pw, ph;
  TPreviewSize size;
};

class PreviewSizeTest : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewSizeTest, FitsKeepingTheAspectRatio) {
  const PreviewCase c = GetParam();
  EXPECT_EQ(PreviewFitSize(c.w, c.h, c.pw, c.ph), c.size);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreviewSizeTest,
                         ::testing::Values(PreviewCase{50, 40, 88, 81, {50, 40}},
                                           PreviewCase{400, 300, 88, 81, {88, 66}},
                                           PreviewCase{300, 400, 88, 81, {60, 81}},
                                           PreviewCase{10000, 1, 88, 81, {88, 1}},
                                           PreviewCase{100, 81, 88, 81, {88, 71}}));

TEST(PreviewProgressTest, NewTenthOrSixteenCrossing) {
  TPreviewProgressLimiter limiter;
  EXPECT_TRUE(limiter.ShouldReport(0, 0));
  EXPECT_FALSE(limiter.ShouldReport(1, 50));
  EXPECT_TRUE(limiter.ShouldReport(16, 60));
  EXPECT_FALSE(limiter.ShouldReport(17, 70));
  EXPECT_TRUE(limiter.ShouldReport(17, 100));
  EXPECT_FALSE(limiter.ShouldReport(17, 300));
}

}  // namespace
}  // namespace lumora
