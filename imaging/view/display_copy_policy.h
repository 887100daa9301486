#pragma once
// When the viewer draws through a display copy (a resampled and/or colour-reduced
// version of its image), and in which format that copy is built. A pure decision over
// the viewer's state, so every branch is tested without a display.
#include "imaging/core/pg_types.h"

namespace lumora {

struct TDisplayCopyInput {
  // State of the current copy.
  bool CopyInvalid = true;
  bool CopyExists = false;
  bool WorkerRunning = false;
  int LastCopyWidth = 0, LastCopyHeight = 0;  // picture-box size of the last copy
  // Viewer properties.
  TStretchMode StretchMode = smFast;
  bool ReduceOnLoad = false;
  bool KeepOldPaintPixelGraphic = false;
  bool UseThread = true;
  bool Allow24BitStretch = false;
  TPaletteIdent Palette8BitSys8BitGraphic = pOptimized252Sys16;
  TPaletteIdent Palette8BitSys24BitGraphic = pOptimized252Sys16;
  // Picture and display.
  int BoxWidth = 0, BoxHeight = 0;
  int ImageWidth = 0, ImageHeight = 0, ImageBitCount = 24;
  TPaletteIdent ImagePalette = pTrueColor;
  int ScreenDepth = 24;  // bits per pixel times planes
};

struct TDisplayCopyDecision {
  bool Invalid = false;     // the copy's invalid flag after this decision
  bool Needed = false;      // a copy is in use: draw it (or the placeholder while it is missing)
  bool DropCopy = false;    // stop the worker and free the current copy
  bool StartBuild = false;  // stop and replace the worker with a new build
  // Only meaningful with StartBuild:
  bool UseIntermediate = false;  // resample into a 24-bit intermediate first
  int CopyBitCountNum = 3;
  // A fixed palette identity, pSource (the source's own palette) or pOptimized252Sys16.
  TPaletteIdent CopyPalette = pTrueColor;
  bool Resample = false;  // the copy has the box size (else the image size)
  int Stages = 1;
};

TDisplayCopyDecision DecideDisplayCopy(const TDisplayCopyInput& in);

}  // namespace lumora
