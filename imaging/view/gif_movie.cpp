#include "imaging/view/gif_movie.h"

#include <algorithm>

#include "imaging/codecs/gif_format.h"
#include "imaging/codecs/gif_lzw.h"
#include "imaging/core/size_limits.h"

namespace lumora {
namespace {

std::uint32_t TableColor(const std::uint8_t* table, int i) {
  return 0xFF000000u | (std::uint32_t(table[3 * i]) << 16) | (std::uint32_t(table[3 * i + 1]) << 8) | table[3 * i + 2];
}

TColor ToColorRef(std::uint32_t argb) { return RGBColor(int(argb >> 16) & 0xFF, int(argb >> 8) & 0xFF, int(argb) & 0xFF); }

}  // namespace

void TGIFMovie::Reset() {
  frames_.clear();
  composed_.clear();
  composed_.shrink_to_fit();
  empty_ = true;
  width_ = height_ = screenWidth_ = screenHeight_ = 0;
  loopCount_ = 1;
  is89a_ = false;
  paletteBits_ = 0;
  hasMask_ = false;
  anyInterlaced_ = false;
}

void TGIFMovie::Clear() { Reset(); }

bool TGIFMovie::Load(const std::uint8_t* data, size_t size, const TGIFMovieOptions& options) {
  Reset();
  if (size < 6) return false;
  const std::int64_t budget = options.MemoryBudget > 0 ? options.MemoryBudget : GetImageLimits().MaxPixelBytes;
  const std::int64_t total = std::int64_t(size);

  bool failed = false;
  bool cancelled = false;
  std::int64_t used = 0;  // bytes of the frames and their disposal copies
  std::int64_t wantWidth = 0, wantHeight = 0;
  const TGIFFileStructure* walked = nullptr;
  TGIFFileStructure file;

  TGIFWalkOptions walk;
  walk.maxImages = options.FirstImageOnly ? 1 : kGIFMaxFrames;
  walk.maxSide = kGIFMaxFrameSide;
  walk.skipUnknownExtensions = true;
  walk.onBlock = [&](size_t pos) {
    if (!walked) {
      // First block: the screen is known now.
      walked = &file;
      wantWidth = file.screenWidth;
      wantHeight = file.screenHeight;
      paletteBits_ = file.hasGlobalTable ? file.globalBits : 0;
      if (4 * wantWidth * wantHeight > budget) {
        failed = true;
        return false;
      }
    }
    if (options.OnProgress && !options.OnProgress(std::int64_t(pos), total)) {
      cancelled = true;
      return false;
    }
    return true;
  };
  walk.onImage = [&](TGIFImageRecord& image) {
    if (image.width == 0 || image.height == 0) {
      failed = true;
      return false;
    }
    const std::int64_t pixels = std::int64_t(image.width) * image.height;
    const std::int64_t needUsed = used + pixels * (image.disposal == 3 ? 5 : 1);
    const std::int64_t w = std::max<std::int64_t>(wantWidth, image.left + image.width);
    const std::int64_t h = std::max<std::int64_t>(wantHeight, image.top + image.height);
    if (needUsed + 4 * w * h > budget) return false;  // over budget: keep the frames so far

    TGIFFrame frame;
    frame.Left = image.left;
    frame.Top = image.top;
    frame.Width = image.width;
    frame.Height = image.height;
    frame.HasLocalTable = image.hasLocalTable;
    frame.LocalBits = image.localBits;
    frame.Interlaced = image.interlaced;
    frame.Delay = image.delayMs;
    frame.Disposal = image.disposal;
    frame.Transparent = image.transparent;
    frame.TransparentIndex = image.transparentIndex;
    frame.PaletteBits = image.hasLocalTable ? image.localBits : paletteBits_;
    const std::uint8_t* table = image.hasLocalTable ? data + image.localTablePos : file.globalTable;
    const int entries = 1 << frame.PaletteBits;
    for (int i = 0; i < 256; ++i) frame.Colors[size_t(i)] = TableColor(table, i < entries ? i : 0);
    frame.TransparentColor = ToColorRef(frame.Colors[size_t(frame.TransparentIndex)]);
    frame.Pixels.assign(size_t(pixels), 0);

    if (!image.dataMissing) {
      const std::vector<std::uint8_t> code = GIFImageCode(data, size, image);
      TGIFLZWTarget target;
      target.width = image.width;
      target.height = image.height;
      target.interlaced = image.interlaced;
      target.row0 = frame.Pixels.data();
      target.stride = image.width;
      if (options.OnProgress && pixels > 100000) {
        const int every = image.width <= 320 ? 64 : 32;
        const std::int64_t position = std::int64_t(image.codeSizePos);
        target.onRow = [&, every, position](int rowsDone, int) {
          return rowsDone % every != 0 || options.OnProgress(position, total);
        };
      }
      const TGIFLZWOutcome outcome = DecodeGIFLZW(code.data(), code.size(), target);
      if (outcome.result == TGIFLZWResult::Aborted) {
        cancelled = true;
        return false;
      }
      if (outcome.result == TGIFLZWResult::Damaged || outcome.result == TGIFLZWResult::BadCodeSize) return false;
    }

    used = needUsed;
    wantWidth = w;
    wantHeight = h;
    paletteBits_ = std::max(paletteBits_, image.localBits);
    hasMask_ |= image.transparent;
    anyInterlaced_ |= image.interlaced;
    frame.Comment = std::move(image.comment);
    frames_.push_back(std::move(frame));
    return true;
  };

  if (!WalkGIFFile(data, size, walk, file) || failed || cancelled) {
    Reset();
    return false;
  }
  if (!walked) {  // no block after the header: the screen alone
    wantWidth = file.screenWidth;
    wantHeight = file.screenHeight;
    paletteBits_ = file.hasGlobalTable ? file.globalBits : 0;
    if (4 * wantWidth * wantHeight > budget) {
      Reset();
      return false;
    }
  }
  if (options.OnProgress && !options.OnProgress(total, total)) {
    Reset();
    return false;
  }
  screenWidth_ = file.screenWidth;
  screenHeight_ = file.screenHeight;
  is89a_ = file.versionByte == '9';
  loopCount_ = file.loopCount;
  width_ = int(wantWidth);
  height_ = int(wantHeight);
  composed_.assign(size_t(width_) * size_t(height_), 0);
  ResetComposition();
  empty_ = false;
  return true;
}

void TGIFMovie::ResetComposition() {
  std::fill(composed_.begin(), composed_.end(), hasMask_ ? kGIFTransparent : kGIFOpaqueBlack);
}

void TGIFMovie::DrawFrame(int number) {
  if (number < 1 || number > FrameCount()) return;
  TGIFFrame& f = frames_[size_t(number - 1)];
  if (f.Disposal == 3) {
    f.Saved.resize(size_t(f.Width) * size_t(f.Height));
    for (int y = 0; y < f.Height; ++y) {
      const std::uint32_t* src = composed_.data() + size_t(f.Top + y) * size_t(width_) + size_t(f.Left);
      std::copy(src, src + f.Width, f.Saved.data() + size_t(y) * size_t(f.Width));
    }
  }
  const std::uint32_t* colors = f.Colors.data();
  for (int y = 0; y < f.Height; ++y) {
    const std::uint8_t* src = f.Pixels.data() + size_t(y) * size_t(f.Width);
    std::uint32_t* dst = composed_.data() + size_t(f.Top + y) * size_t(width_) + size_t(f.Left);
    if (f.Transparent) {
      const std::uint8_t skip = std::uint8_t(f.TransparentIndex);
      for (int x = 0; x < f.Width; ++x) {
        if (src[x] != skip) dst[x] = colors[src[x]];
      }
    } else {
      for (int x = 0; x < f.Width; ++x) dst[x] = colors[src[x]];
    }
  }
}

void TGIFMovie::DisposeFrame(int number) {
  if (number < 1 || number > FrameCount()) return;
  TGIFFrame& f = frames_[size_t(number - 1)];
  if (f.Disposal == 2) {
    const std::uint32_t background = hasMask_ ? kGIFTransparent : kGIFOpaqueBlack;
    for (int y = 0; y < f.Height; ++y) {
      std::uint32_t* dst = composed_.data() + size_t(f.Top + y) * size_t(width_) + size_t(f.Left);
      std::fill(dst, dst + f.Width, background);
    }
  } else if (f.Disposal == 3 && f.Saved.size() == size_t(f.Width) * size_t(f.Height)) {
    for (int y = 0; y < f.Height; ++y) {
      const std::uint32_t* src = f.Saved.data() + size_t(y) * size_t(f.Width);
      std::copy(src, src + f.Width, composed_.data() + size_t(f.Top + y) * size_t(width_) + size_t(f.Left));
    }
  }
}

std::vector<std::uint32_t> TGIFMovie::FramePicture(int number) const {
  std::vector<std::uint32_t> picture;
  if (number < 1 || number > FrameCount()) return picture;
  const TGIFFrame& f = frames_[size_t(number - 1)];
  picture.resize(f.Pixels.size());
  for (size_t i = 0; i < f.Pixels.size(); ++i) picture[i] = f.Colors[f.Pixels[i]];
  return picture;
}

}  // namespace lumora
