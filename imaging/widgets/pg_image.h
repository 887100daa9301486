#pragma once
// TPGImage: the viewer control. It owns one pixel image and shows it in a scrolling
// frame, sized by one of twelve rules or a zoom factor, centred, tiled with optional
// mirroring, drawn directly or through a display copy that a worker builds; the user
// pans the picture and draws, moves and resizes a selection with the mouse.
#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "imaging/core/pixel_graphic.h"
#include "imaging/view/display_copy_policy.h"
#include "imaging/view/view_layout.h"
#include "imaging/view/view_selection.h"

class QMouseEvent;
class QPainter;

namespace lumora {

class TCreatePaintPGThread;

class TPGImage : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TPGImage(QWidget* parent = nullptr);
  ~TPGImage() override;

  using TEvent = std::function<void(TPGImage& sender)>;
  using TNewAutoSizeEvent = std::function<void(TPGImage& sender, int width, int height)>;
  using TSetCursorEvent = std::function<void(TPGImage& sender, QCursor& cursor)>;
  // Mouse events of the picture box: the event and the point in picture-box pixels.
  using TBoxMouseEvent = std::function<void(TPGImage& sender, QMouseEvent& event, QPoint boxPoint)>;
  using TBoxPaintEvent = std::function<void(TPGImage& sender, QPainter& painter)>;

  // ---- Image ----
  void LoadFromFile(const std::string& fileName) { LoadFromFileEx(fileName, 0); }
  void LoadFromFileEx(const std::string& fileName, int index);
  // Raises EPGEmpty ("PixelGraphic is empty") without an image.
  void SaveToFile(const std::string& fileName);
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& fileName) { LoadFromFile(fileName); }
  // Stops the paint worker first; callers may change the image in place.
  TPixelGraphic* PixelGraphic();
  TPixelGraphic* PeekPixelGraphic() const { return image_.get(); }
  void AssignPixelGraphic(const TPixelGraphic* image);
  void TakePixelGraphic(std::unique_ptr<TPixelGraphic> image);
  std::unique_ptr<TPixelGraphic> CopyPixelGraphic();
  bool IsEmpty() const { return !image_; }
  int ImageWidth() const { return imageWidth_; }
  int ImageHeight() const { return imageHeight_; }
  // Refreshes after any change of the image or of a property that shapes the display copy.
  void PixelGraphicChanged();

  // ---- Layout ----
  void Arrange(bool force);
  // Moves and resizes the viewer and arranges with force (also while hidden).
  void SetBounds(int left, int top, int width, int height);
  // The display's depth or resolution changed: rebuild the display copy.
  void DisplayChanged();
  // The picture box in content coordinates (before scrolling) and in viewport pixels.
  QRect PicBoxRect() const { return QRect(boxLeft_, boxTop_, boxWidth_, boxHeight_); }
  QRect PicBoxViewportRect() const;
  double EffectiveScale() const { return lastScale_; }
  int BorderWidth() const { return border_; }
  void SetBorderWidth(int width);  // 0, 1 (flat) or 2 (three-dimensional)
  TScrollBarExtent ScrollBarExtents() const;

  // ---- Properties (defaults as constructed) ----
  TActionMode ActionMode() const { return actionMode_; }
  void SetActionMode(TActionMode mode);
  bool Allow24BitStretch() const { return allow24BitStretch_; }
  void SetAllow24BitStretch(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TAutoSizeBounds AutoSizeBounds() const { return autoSizeBounds_; }
  void SetAutoSizeBounds(const TAutoSizeBounds& bounds);
  TColor BackGroundColor() const { return backGroundColor_; }
  void SetBackGroundColor(TColor color) { backGroundColor_ = color; }
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Dither() const { return dither_; }
  void SetDither(bool on);
  std::uint8_t DitherErrorLimit() const { return ditherErrorLimit_; }
  void SetDitherErrorLimit(std::uint8_t limit);
  bool DitherErrorLimitAuto() const { return ditherErrorLimitAuto_; }
  void SetDitherErrorLimitAuto(bool on);
  bool DitherErrorLimitSoft() const { return ditherErrorLimitSoft_; }
  void SetDitherErrorLimitSoft(bool on);
  bool FlipHorizontal() const { return flipHorizontal_; }
  void SetFlipHorizontal(bool on);
  bool FlipVertical() const { return flipVertical_; }
  void SetFlipVertical(bool on);
  bool KeepOldPaintPixelGraphic() const { return keepOldPaintPixelGraphic_; }
  void SetKeepOldPaintPixelGraphic(bool on) { keepOldPaintPixelGraphic_ = on; }
  TPaletteIdent Palette8BitSys24BitGraphic() const { return palette8Sys24_; }
  void SetPalette8BitSys24BitGraphic(TPaletteIdent ident);
  TPaletteIdent Palette8BitSys8BitGraphic() const { return palette8Sys8_; }
  void SetPalette8BitSys8BitGraphic(TPaletteIdent ident);
  QColor PicBoxColor() const { return picBoxColor_; }
  void SetPicBoxColor(QColor color);
  QColor PicBoxFrameColor() const { return picBoxFrameColor_; }
  void SetPicBoxFrameColor(QColor color);
  QColor Color() const { return color_; }  // the frame around the picture
  void SetColor(QColor color);
  bool Progress5Clocks() const { return progress5Clocks_; }
  void SetProgress5Clocks(bool on);
  QColor ProgressClockBkColor() const { return progressClockBkColor_; }
  void SetProgressClockBkColor(QColor color);
  QColor ProgressClockLineColor() const { return progressClockLineColor_; }
  void SetProgressClockLineColor(QColor color);
  bool ProgressClockVisible() const { return progressClockVisible_; }
  void SetProgressClockVisible(bool on);
  bool RGBWeighting() const { return rgbWeighting_; }
  void SetRGBWeighting(bool on);
  bool RearrangeAlways() const { return rearrangeAlways_; }
  void SetRearrangeAlways(bool on) { rearrangeAlways_ = on; }
  bool ReduceOnLoad() const { return reduceOnLoad_; }
  void SetReduceOnLoad(bool on) { reduceOnLoad_ = on; }
  bool ShowHourGlass() const { return showHourGlass_; }
  void SetShowHourGlass(bool on) { showHourGlass_ = on; }
  TStretch Stretch() const { return stretch_; }
  void SetStretch(TStretch stretch);
  TStretchMode StretchMode() const { return stretchMode_; }
  void SetStretchMode(TStretchMode mode);
  TTiling Tiling() const { return tiling_; }
  void SetTiling(TTiling tiling);
  bool UseThread() const { return useThread_; }
  void SetUseThread(bool on);
  TPGWarningAction ReadWarningAction() const { return readWarningAction_; }
  void SetReadWarningAction(TPGWarningAction a) { readWarningAction_ = a; }
  TPGWarningAction SaveColorResWarningAction() const { return saveColorResWarningAction_; }
  void SetSaveColorResWarningAction(TPGWarningAction a) { saveColorResWarningAction_ = a; }
  double ZoomFactor() const { return zoomFactor_; }
  void SetZoomFactor(double zoom);

  // ---- Selection ----
  bool Selection() const { return selection_; }
  void SetSelection(bool on);
  TSelectionBounds SelectionBounds() const { return sel_; }
  int SelectionLeft() const { return sel_.Left; }
  int SelectionTop() const { return sel_.Top; }
  int SelectionWidth() const { return sel_.Width; }
  int SelectionHeight() const { return sel_.Height; }
  void SetSelectionBounds(int left, int top, int width, int height);
  // (Left, Top, Left + Width, Top + Height) in image pixels.
  TViewRect SelectionRect() const { return {sel_.Left, sel_.Top, sel_.Left + sel_.Width, sel_.Top + sel_.Height}; }
  void SetSelectionRect(const TViewRect& r) { SetSelectionBounds(r.Left, r.Top, r.Width(), r.Height()); }
  TColor SelectionColor1() const { return selectionColor1_; }
  void SetSelectionColor1(TColor color);
  TColor SelectionColor2() const { return selectionColor2_; }
  void SetSelectionColor2(TColor color);
  int BoxToImageX(int x) const { return BoxToImage(x, imageWidth_, boxWidth_); }
  int BoxToImageY(int y) const { return BoxToImage(y, imageHeight_, boxHeight_); }
  int ImageToBoxX(int x) const { return ImageToBox(x, imageWidth_, boxWidth_); }
  int ImageToBoxY(int y) const { return ImageToBox(y, imageHeight_, boxHeight_); }
  int DragState() const { return dragState_; }
  int OutlinePhase() const { return outlinePhase_; }
  bool CanPan() const;
  QSize ClientSize() const { return QSize(clientWidth_, clientHeight_); }
  // The cursor the viewer shows at a viewport point (after the events had their say).
  QCursor CursorAt(QPoint viewportPoint);

  // ---- Display copy (read-only views for tests and tools) ----
  const TPixelGraphic* PaintCopy() const { return paintCopy_.get(); }
  TViewRect PaintCopyRegion() const { return copyRegion_; }
  bool PaintWorkerRunning() const;
  // Waits until a running paint worker delivered (or gave up); for tests and demos.
  void WaitForPaintCopy();
  int ProgressStage() const { return stage_; }
  int ProgressPercentValue() const { return percent_; }
  // Counters that tests use to prove the worker never overlaps an image change.
  int BuildsStarted() const { return buildsStarted_; }

  // ---- Events ----
  TEvent OnPixelGraphicChange;
  TNewAutoSizeEvent OnNewAutoSize;
  TEvent OnPaint, OnPainting;
  TEvent OnSelectionChange, OnSelectionMade;
  TEvent OnZoomFactorChange;
  TSetCursorEvent OnSetCursor, PicBoxOnSetCursor;
  TPGProgressEvent OnPixelGraphicProgress;
  TNotifyEvent OnPixelGraphicProgressStart, OnPixelGraphicProgressEnd;
  TBoxMouseEvent PicBoxOnMouseDown, PicBoxOnMouseMove, PicBoxOnMouseUp;
  TEvent PicBoxOnClick, PicBoxOnDblClick;
  TBoxPaintEvent PicBoxOnPaint;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void StopPaintWorker();
  void FreeImage();
  void AttachEvents(TPixelGraphic& image, bool withChange);
  void DropPaintCopy(bool keepVisible);
  void InvalidatePaintCopy();
  // Returns the picture to draw (the copy, the image, or null for the placeholder).
  const TPixelGraphic* PreparePaintCopy();
  void StartPaintBuild(const TDisplayCopyDecision& d);
  void DeliverPaintCopy(int generation, std::unique_ptr<TPixelGraphic> copy);
  void WorkerProgress(int generation, int stage, int percent);
  TViewRect WantedCopyRegion(bool resampledRegion) const;
  void ApplyScrollBars(const TScrollBars& bars);
  void PaintPicture(QPainter& p, const TPixelGraphic& picture, const QRect& paintRect);
  void PaintPlaceholder(QPainter& p);
  void PaintClock(QPainter& p, int x, int y);
  void PaintSelectionOutline(QPainter& p);
  const QBrush& PatternBrush(int index);
  QRegion OutlineRegion() const;
  void AutoScrollTick();
  void AnimationTick();
  bool InSelectionAt(QPoint boxPoint) const;
  int HandleAt(QPoint boxPoint) const;
  QPoint ToBox(QPoint viewportPoint) const;
  void UpdateHoverCursor(QPoint viewportPoint);

  std::unique_ptr<TPixelGraphic> image_;
  int imageWidth_ = 0, imageHeight_ = 0;
  std::string fileName_;

  std::unique_ptr<TPixelGraphic> paintCopy_;
  TViewRect copyRegion_;
  bool copyResampled_ = false;  // the copy is at the box scale (else at the image size)
  TViewRect pendingRegion_;
  bool pendingResampled_ = false;
  bool regionBuild_ = false;    // the running build holds only part of the box
  TDisplayCopyDecision lastDecision_;
  bool copyInvalid_ = true;
  int lastCopyWidth_ = 0, lastCopyHeight_ = 0;
  std::unique_ptr<TCreatePaintPGThread> worker_;
  int generation_ = 0;
  int stage_ = 1, stages_ = 1, percent_ = 0;
  int buildsStarted_ = 0;

  int boxLeft_ = 0, boxTop_ = 0, boxWidth_ = 0, boxHeight_ = 0;
  // The client area the scroll bars leave (the viewport's size once laid out).
  int clientWidth_ = 0, clientHeight_ = 0;
  QSize arrangedSize_;  // the viewer size of the last layout
  double lastScale_ = 1.0;
  bool suppressPaint_ = false;
  int border_ = 2;

  TActionMode actionMode_ = amMoveImage;
  bool allow24BitStretch_ = false;
  bool autoSize_ = false;
  TAutoSizeBounds autoSizeBounds_;
  TColor backGroundColor_ = 0;
  bool center_ = false;
  bool dither_ = true;
  std::uint8_t ditherErrorLimit_ = 32;
  bool ditherErrorLimitAuto_ = true, ditherErrorLimitSoft_ = true;
  bool flipHorizontal_ = false, flipVertical_ = false;
  bool keepOldPaintPixelGraphic_ = false;
  TPaletteIdent palette8Sys24_ = pOptimized252Sys16, palette8Sys8_ = pOptimized252Sys16;
  QColor picBoxColor_, picBoxFrameColor_, color_;
  bool progress5Clocks_ = true;
  QColor progressClockBkColor_, progressClockLineColor_;
  bool progressClockVisible_ = true;
  bool rgbWeighting_ = true;
  bool rearrangeAlways_ = false;
  bool reduceOnLoad_ = false;
  bool showHourGlass_ = true;
  TStretch stretch_ = sNeverKAR;
  TStretchMode stretchMode_ = smFast;
  TTiling tiling_ = tNone;
  bool useThread_ = true;
  TPGWarningAction readWarningAction_ = pgwaOKCancelBox, saveColorResWarningAction_ = pgwaOKCancelBox;
  double zoomFactor_ = 1.0;

  bool selection_ = false;
  TSelectionBounds sel_;
  TColor selectionColor1_ = 0xFFFFFF, selectionColor2_ = 0x0000FF;
  int dragState_ = 0;
  QPoint dragStart_;
  int grabX_ = 0, grabY_ = 0, anchorX_ = 0, anchorY_ = 0;
  bool boxPressed_ = false;
  std::unique_ptr<QTimer> animationTimer_, autoScrollTimer_;
  int outlinePhase_ = 0;
  std::unique_ptr<QBrush> patternBrushes_[8];
};

}  // namespace lumora
