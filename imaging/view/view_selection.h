#pragma once
// Mouse interaction of the viewer: coordinate conversions, the eight resize handles,
// the mouse-down decision, the drag arithmetic of every state, the outline strips and
// patterns, the auto-scroll step and the cursor choice. Plain functions, no Qt.
#include <cstdint>

#include "imaging/view/view_layout.h"

namespace lumora {

enum TActionMode : std::uint8_t {
  amMoveImage,
  amMoveResizeCreateSelection,
  amMoveSelection,
  amMoveSelectionMoveImage,
  amCreateSelection,
  amNone,
};

// Drag states: 0 none, 1 panning, 2 moving the selection, 3 creating, 4..11 resizing by
// the handles top-left, top-middle, top-right, middle-left, middle-right, bottom-left,
// bottom-middle, bottom-right.
enum TDragState : int {
  dsNone = 0,
  dsPan = 1,
  dsMove = 2,
  dsCreate = 3,
  dsTopLeft = 4,
  dsTopMiddle = 5,
  dsTopRight = 6,
  dsMiddleLeft = 7,
  dsMiddleRight = 8,
  dsBottomLeft = 9,
  dsBottomMiddle = 10,
  dsBottomRight = 11,
};

struct TSelectionBounds {
  int Left = 0, Top = 0, Width = 1, Height = 1;
  bool operator==(const TSelectionBounds&) const = default;
};

// Picture-box pixels to image pixels and back; divisions truncate, products in 64 bits.
int BoxToImage(int v, int imageExtent, int boxExtent);
int ImageToBox(int v, int imageExtent, int boxExtent);

// The selection rectangle in picture-box pixels.
TViewRect SelectionBoxRect(const TSelectionBounds& s, int imageWidth, int imageHeight, int boxWidth, int boxHeight);

// The eight handle squares around a rectangle (right and bottom exclusive), in the
// order top-left .. bottom-right.
void HandleRects(const TViewRect& r, TViewRect out[8]);
// 0..7 for the first handle square containing the point, -1 for none.
int HitHandle(const TViewRect& r, int x, int y);

struct TMouseDownInput {
  TActionMode Mode = amMoveImage;
  bool Selection = false;
  bool InsideSelection = false;  // the point lies inside the selection rectangle
  bool CanPan = false;
  int Handle = -1;               // HitHandle of the point (only used with handles present)
};
// The drag state a left-button press starts (dsNone for nothing).
TDragState DecideMouseDown(const TMouseDownInput& in);

// The grab offset recorded for a drag state at image point (ix, iy).
void GrabOffset(TDragState state, int ix, int iy, const TSelectionBounds& s, int& ox, int& oy);

// The selection after the mouse moved to image point (ix, iy) in a drag state 2..11;
// (ox, oy) the grab offset, (ax, ay) the anchor of a selection being created.
TSelectionBounds DragSelection(TDragState state, int ix, int iy, int ox, int oy, int ax, int ay,
                               const TSelectionBounds& s, int imageWidth, int imageHeight);

// The four strips of an outline that need repainting, margin m around rectangle r.
void OutlineStrips(const TViewRect& r, int margin, TViewRect out[4]);

// Pattern i of the animated outline: true where pixel (x, y) takes the second colour.
inline bool OutlinePatternSecondColor(int i, int x, int y) { return (x + y - i + 8) % 8 > 3; }
// The pattern drawn for a phase and a rectangle's top-left corner (in box pixels).
inline int OutlinePatternIndex(int phase, int left, int top) { return (((phase + left + top) % 8) + 8) % 8; }

// One auto-scroll step along one axis: the new scroll position for a mouse coordinate
// (client pixels) with the client extent and the scroll range (content extent).
int AutoScrollStep(int mouse, int clientExtent, int scrollPos, int range);

enum TViewerCursor : std::uint8_t {
  vcDefault,
  vcOpenHand,
  vcGrabbingHand,
  vcCrossHair,
  vcMoveArrows,
  vcSizeNS,
  vcSizeWE,
  vcSizeNWSE,
  vcSizeNESW,
};
struct TCursorInput {
  TActionMode Mode = amMoveImage;
  bool CanPan = false;
  bool Panning = false;
  bool InsideSelection = false;  // with Selection on
  int Handle = -1;               // with handles present
};
// The cursor over the picture box (later rules override earlier ones).
TViewerCursor ChooseBoxCursor(const TCursorInput& in);

}  // namespace lumora
