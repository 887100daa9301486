#pragma once
// The animated GIF display's model, without Qt: the file's frames (up to 256), each
// decoded once into indices, and the composed picture the frames are drawn into as
// their disposal methods require. The widget drives it and paints the result.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/pg_types.h"

namespace lumora {

constexpr int kGIFMaxFrames = 256;
constexpr int kGIFMaxFrameSide = 16384;

// Composed pixels are 32-bit 0xAARRGGBB: opaque pixels have alpha 0xFF; transparent
// ones (only in a picture with a mask) are 0, black and see-through.
constexpr std::uint32_t kGIFOpaqueBlack = 0xFF000000u;
constexpr std::uint32_t kGIFTransparent = 0x00000000u;

struct TGIFFrame {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int LocalBits = 0;       // 0 without a local table
  int Delay = 0;           // milliseconds
  int Disposal = 0;        // 0 none, 1 leave, 2 restore to background, 3 restore previous
  bool HasLocalTable = false;
  bool Interlaced = false;
  bool Transparent = false;
  int TransparentIndex = 0;
  TColor TransparentColor = 0;  // 0x00BBGGRR
  std::string Comment;
  int PaletteBits = 0;     // the table size of its bitmap: 2^PaletteBits colours
  std::vector<std::uint8_t> Pixels;      // Width x Height indices, top row first
  std::array<std::uint32_t, 256> Colors{};  // 0xFFRRGGBB for each index
  std::vector<std::uint32_t> Saved;      // disposal 3: the composed pixels under the frame
};

struct TGIFMovieOptions {
  bool FirstImageOnly = false;
  // Progress while reading: (position, size); returning false cancels the load. Inside
  // frames of more than 100,000 pixels it is also called every 64 rows (frames up to
  // 320 pixels wide) or 32 rows.
  std::function<bool(std::int64_t position, std::int64_t size)> OnProgress;
  // Bytes the frames and the composed picture may take together; 0: the image limits.
  std::int64_t MemoryBudget = 0;
};

class TGIFMovie {
 public:
  // Reads a whole GIF file. False (and an empty movie) when the data is not a GIF, a
  // frame has zero width or height, the picture is beyond the memory budget, or the
  // progress handler cancelled. A damaged frame ends the reading; the frames before it stay.
  bool Load(const std::uint8_t* data, size_t size, const TGIFMovieOptions& options = {});
  void Clear();

  bool Empty() const { return empty_; }
  int FrameCount() const { return int(frames_.size()); }
  const TGIFFrame& Frame(int number) const { return frames_[size_t(number - 1)]; }  // 1-based
  int ImageWidth() const { return width_; }
  int ImageHeight() const { return height_; }
  int ScreenWidth() const { return screenWidth_; }
  int ScreenHeight() const { return screenHeight_; }
  int LoopCount() const { return loopCount_; }
  bool Is89a() const { return is89a_; }
  int PaletteBits() const { return paletteBits_; }
  bool HasTransparency() const { return hasMask_; }
  bool AnyInterlaced() const { return anyInterlaced_; }

  // ---- Composition (frame numbers 1-based) ----
  // Black everywhere, transparent when the picture has a mask.
  void ResetComposition();
  void DrawFrame(int number);
  // What the frame's disposal asks for before the next frame is drawn.
  void DisposeFrame(int number);
  const std::uint32_t* Composed() const { return composed_.data(); }
  std::uint32_t ComposedPixel(int x, int y) const { return composed_[size_t(y) * size_t(width_) + size_t(x)]; }
  // The frame's own colour picture (0xFFRRGGBB, its size), as the clipboard takes it.
  std::vector<std::uint32_t> FramePicture(int number) const;

 private:
  void Reset();

  std::vector<TGIFFrame> frames_;
  std::vector<std::uint32_t> composed_;
  bool empty_ = true;
  int width_ = 0, height_ = 0;
  int screenWidth_ = 0, screenHeight_ = 0;
  int loopCount_ = 1;
  bool is89a_ = false;
  int paletteBits_ = 0;
  bool hasMask_ = false;
  bool anyInterlaced_ = false;
};

}  // namespace lumora
