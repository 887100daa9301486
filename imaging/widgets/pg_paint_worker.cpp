#include "imaging/widgets/pg_paint_worker.h"

#include <new>

#include "imaging/core/color_resolution.h"
#include "imaging/core/exceptions.h"

namespace lumora {
namespace {

// A copy that cannot be allocated at its size is made 1 x 1.
void AllocateOrTiny(TPixelGraphic& image, int w, int h, int bitCountNum) {
  try {
    image.Allocate(w, h, bitCountNum);
  } catch (const EPixelGraphic&) {
    image.Allocate(1, 1, bitCountNum);
  } catch (const std::bad_alloc&) {
    image.Allocate(1, 1, bitCountNum);
  }
}

struct TBuildHooks {
  std::function<bool(int, int)> progress;  // true: abort
  std::function<void()> nextStage;
  std::function<bool()> terminated;
};

std::unique_ptr<TPixelGraphic> Build(const TPaintCopyJob& job, const TBuildHooks& hooks) {
  const TDisplayCopyDecision& d = job.Decision;
  auto attach = [&](TPixelGraphic& image) {
    image.StretchMode = job.StretchMode;
    image.Dither = job.Dither;
    image.DitherErrorLimit = job.DitherErrorLimit;
    image.DitherErrorLimitAuto = job.DitherErrorLimitAuto;
    image.DitherErrorLimitSoft = job.DitherErrorLimitSoft;
    image.SetRGBWeighting(job.RGBWeighting);
    if (hooks.progress)
      image.OnProgress = [&](TPixelGraphic&, int step, int max, bool& abort) {
        if (hooks.progress(step, max)) abort = true;
      };
  };
  const TPixelGraphic* source = job.Source;
  std::unique_ptr<TPixelGraphic> intermediate;
  // 1. Resample into a 24-bit intermediate of the box size.
  if (d.UseIntermediate) {
    intermediate = std::make_unique<TPixelGraphic>();
    attach(*intermediate);
    AllocateOrTiny(*intermediate, job.BoxWidth, job.BoxHeight, 3);
    intermediate->StretchFrom(*source);
    source = intermediate.get();
    if (hooks.nextStage) hooks.nextStage();
    if (hooks.terminated && hooks.terminated()) return nullptr;
  }
  auto copy = std::make_unique<TPixelGraphic>();
  attach(*copy);
  const bool resampledRegion = d.Resample && !d.UseIntermediate;
  const int w = d.Resample ? (resampledRegion ? job.Region.Width() : job.BoxWidth) : source->Width();
  const int h = d.Resample ? (resampledRegion ? job.Region.Height() : job.BoxHeight) : source->Height();
  AllocateOrTiny(*copy, w, h, d.CopyBitCountNum);
  // 2. The palette of the copy.
  bool optimised = false;
  if (d.CopyBitCountNum != 3) {
    if (d.CopyPalette == pOptimized252Sys16) {
      OptimizePalette(*copy, *source, 252, true);
      optimised = true;
      if (hooks.nextStage) hooks.nextStage();
      if (hooks.terminated && hooks.terminated()) return nullptr;
    } else if (d.CopyPalette == pSource) {
      copy->CopyPalette(*source);
    } else {
      copy->SetPaletteIdent(d.CopyPalette);
    }
  }
  // 3. Pixels: an 8-bit source of the copy's size maps its palette once; everything
  // else is a (resampling or converting) copy.
  if (optimised && source->BitCount() == 8 && copy->BitCount() == 8 && source->Width() == copy->Width() &&
      source->Height() == copy->Height()) {
    std::uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(copy->ColorToIndex(source->ColorTableEntry(i)));
    for (int y = 0; y < copy->Height(); ++y) {
      if (hooks.terminated && hooks.terminated()) return nullptr;
      const std::uint8_t* src = source->ScanLine(y);
      std::uint8_t* dst = copy->ScanLine(y);
      for (int x = 0; x < copy->Width(); ++x) dst[x] = table[src[x]];
      if (hooks.progress && hooks.progress(y, copy->Height() - 1)) return nullptr;
    }
    copy->Changed();
  } else if (resampledRegion) {
    copy->StretchCopy(-job.Region.Left, -job.Region.Top, job.BoxWidth, job.BoxHeight, *source, 0, 0,
                      source->Width(), source->Height());
  } else {
    copy->StretchFrom(*source);
  }
  if (hooks.terminated && hooks.terminated()) return nullptr;
  copy->OnProgress = nullptr;
  return copy;
}

}  // namespace

std::unique_ptr<TPixelGraphic> BuildPaintCopy(const TPaintCopyJob& job) { return Build(job, {}); }

TCreatePaintPGThread::TCreatePaintPGThread(TPaintCopyJob job, ProgressFn progress, DeliverFn deliver)
    : job_(std::move(job)), progress_(std::move(progress)), deliver_(std::move(deliver)) {}

TCreatePaintPGThread::~TCreatePaintPGThread() {
  Terminate();
  WaitFor();
}

void TCreatePaintPGThread::Start() {
  running_ = true;
  thread_ = std::thread([this] { Execute(); });
}

void TCreatePaintPGThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

bool TCreatePaintPGThread::Progress(int step, int max) {
  if (progress_) progress_(stage_, ProgressPercent(step, max));
  return terminated_;
}

void TCreatePaintPGThread::Execute() {
  running_ = true;
  std::unique_ptr<TPixelGraphic> copy;
  try {
    TBuildHooks hooks;
    hooks.progress = [this](int step, int max) { return Progress(step, max); };
    hooks.nextStage = [this] { ++stage_; };
    hooks.terminated = [this] { return Terminated(); };
    copy = Build(job_, hooks);
  } catch (...) {
    // Any failure while preparing the copy leaves the placeholder.
    copy.reset();
  }
  if (copy && !terminated_ && deliver_) deliver_(std::move(copy));
  running_ = false;
}

}  // namespace lumora
