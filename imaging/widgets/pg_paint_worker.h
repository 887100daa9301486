#pragma once
// TCreatePaintPGThread: builds one display copy of the viewer's image (resampled to the
// picture-box size and/or reduced to the display's colours) on its own thread or on
// the calling one. It only reads the source, which the viewer leaves alone until the
// worker was stopped, and reports through callbacks that the viewer posts to itself.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "imaging/core/pixel_graphic.h"
#include "imaging/view/display_copy_policy.h"
#include "imaging/view/view_layout.h"

namespace lumora {

struct TPaintCopyJob {
  const TPixelGraphic* Source = nullptr;
  TDisplayCopyDecision Decision;
  int BoxWidth = 0, BoxHeight = 0;
  // The part of the box the copy holds (the whole box unless a resampled 24-bit copy
  // of a zoomed picture only needs its visible part).
  TViewRect Region;
  TStretchMode StretchMode = smFast;
  bool Dither = true;
  std::uint8_t DitherErrorLimit = 32;
  bool DitherErrorLimitAuto = true;
  bool DitherErrorLimitSoft = true;
  bool RGBWeighting = true;
};

class TCreatePaintPGThread {
 public:
  // Progress (stage 1-based, percent); called on the worker's thread.
  using ProgressFn = std::function<void(int stage, int percent)>;
  // The finished copy; called on the worker's thread (or the caller's without a thread).
  using DeliverFn = std::function<void(std::unique_ptr<TPixelGraphic> copy)>;

  TCreatePaintPGThread(TPaintCopyJob job, ProgressFn progress, DeliverFn deliver);
  ~TCreatePaintPGThread();  // stops and waits

  void Start();    // on its own thread
  void Execute();  // on the calling thread
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  void WaitFor();
  bool Running() const { return running_; }

 private:
  bool Progress(int step, int max);

  TPaintCopyJob job_;
  ProgressFn progress_;
  DeliverFn deliver_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> running_{false};
  int stage_ = 1;
  std::thread thread_;
};

// The copy a job produces, built on the calling thread (no progress, no stopping):
// the reference for tests and for callers without a worker.
std::unique_ptr<TPixelGraphic> BuildPaintCopy(const TPaintCopyJob& job);

}  // namespace lumora
