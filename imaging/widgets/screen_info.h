#pragma once
// The display's colour depth (bits per pixel times planes), with a seam for tests that
// need the 4- and 8-bit display paths.
namespace lumora {

int ScreenDepth();
// 0 restores the real depth.
void SetScreenDepthForTest(int depth);

}  // namespace lumora
