#include "imaging/view/display_copy_policy.h"

namespace lumora {

TDisplayCopyDecision DecideDisplayCopy(const TDisplayCopyInput& in) {
  TDisplayCopyDecision d;
  const bool boxDiffersFromLastCopy = in.BoxWidth != in.LastCopyWidth || in.BoxHeight != in.LastCopyHeight;
  d.Invalid = in.CopyInvalid || (in.StretchMode != smFast && !in.ReduceOnLoad && boxDiffersFromLastCopy);

  const int depth = in.ScreenDepth;
  const bool reduce = in.ImageBitCount > depth && depth <= 8;  // N
  // With ReduceOnLoad the image becomes the copy when it is done; afterwards resizing
  // the frame only stretches it while drawing. So the reduction counts only while the
  // copy is invalid or its build still runs (a paint must not cancel that build).
  const bool firstBuild = !in.ReduceOnLoad || d.Invalid || in.WorkerRunning;
  const bool resample = in.StretchMode != smFast &&
                        (in.BoxWidth != in.ImageWidth || in.BoxHeight != in.ImageHeight) && firstBuild;  // R
  bool needed = reduce || resample;
  if (in.ImageBitCount <= 8 && depth <= 8) {
    if (depth == 4) {
      needed = reduce || (in.ImagePalette != pSys16 && firstBuild);
    } else if (!reduce) {
      const bool ownPaletteServes =
          in.Palette8BitSys8BitGraphic == pSource || in.Palette8BitSys8BitGraphic == in.ImagePalette;
      needed = !ownPaletteServes && firstBuild;
    }
  }
  d.Needed = needed;

  const bool mayKeepInvalid = in.KeepOldPaintPixelGraphic && in.UseThread;
  if ((d.Invalid && !mayKeepInvalid) || !needed) d.DropCopy = true;
  const bool copyExists = in.CopyExists && !d.DropCopy;
  const bool workerRunning = in.WorkerRunning && !d.DropCopy;
  if (!needed || (!d.Invalid && (copyExists || workerRunning))) return d;

  d.StartBuild = true;
  d.Stages = 1;
  d.UseIntermediate = in.Allow24BitStretch && resample && depth == 8 &&
                      in.Palette8BitSys24BitGraphic == pOptimized252Sys16;
  if (d.UseIntermediate) ++d.Stages;
  const int sourceBits = d.UseIntermediate ? 24 : in.ImageBitCount;
  if (depth < 8) {
    d.CopyBitCountNum = 1;
    d.CopyPalette = pSys16;
  } else if (depth > 8) {
    d.CopyBitCountNum = 3;
    d.CopyPalette = pTrueColor;
  } else {
    d.CopyBitCountNum = 2;
    d.CopyPalette = sourceBits <= 8 ? in.Palette8BitSys8BitGraphic : in.Palette8BitSys24BitGraphic;
    if (d.CopyPalette == pOptimized252Sys16) ++d.Stages;
  }
  d.Resample = in.StretchMode != smFast;
  d.Invalid = false;
  return d;
}

}  // namespace lumora
