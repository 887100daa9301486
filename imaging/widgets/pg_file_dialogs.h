#pragma once
// The library's open and save dialogs: a non-native file chooser with a preview pane
// (decoded by a worker, debounced by 150 ms, with a progress clock) and an information
// pane, filters taken from the format registry; the save dialog switches the name's
// extension with the chosen file type and preselects the type of the current name.
#include <QColor>
#include <QFileDialog>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"

namespace lumora {

class TPreviewWorker;
class TPreviewPane;
class TInfoPane;

// Qt name filters ("BMP - Bitmap (*.bmp)") from a bar-separated registry filter.
QStringList QtNameFilters(const std::string& barFilter);

class TPGFileDialogBase : public QFileDialog {
  Q_OBJECT

 public:
  TPGFileDialogBase(QWidget* parent, bool saveDialog);
  ~TPGFileDialogBase() override;

  TStretchMode StretchMode = smPrecise;
  bool UseDefaultFilter = true;
  QColor ProgressClockBkColor, ProgressClockLineColor;
  bool ProgressClockVisible = true;
  TPaletteIdent Palette8BitSys24BitGraphic = pOptimized252Sys16;
  TPaletteIdent Palette8BitSys8BitGraphic = pOptimized252Sys16;
  bool ShowInfo = true;

  // The selection changed to `path`: drop the preview and restart the 150-ms timer.
  void SelectionChanged(const QString& path);
  // The timer fired: read the file's information and start the preview worker.
  void DebounceElapsed();
  const TPixelGraphic* Preview() const { return preview_.get(); }
  bool InfoValid() const { return infoValid_; }
  // The lines of the information pane (empty while the information is not valid).
  QStringList InfoLines() const;
  bool PreviewWorkerRunning() const { return worker_ != nullptr; }
  bool DebouncePending() const { return timer_.isActive(); }
  void WaitForPreview();
  int PreviewPhase() const { return phase_; }
  int PreviewPercent() const { return percent_; }
  // Inner size of the preview pane (its client size less 4 in each direction).
  QSize PreviewInnerSize() const;

 protected:
  void done(int result) override;
  void showEvent(QShowEvent* e) override;
  void StopPreviewWorker();

 private:
  friend class TPreviewPane;
  friend class TInfoPane;
  void Delivered(int generation, std::unique_ptr<TPixelGraphic> image);
  void Progress(int generation, int phase, int percent);

  QTimer timer_;
  QString pendingPath_;
  std::unique_ptr<TPreviewWorker> worker_;
  int generation_ = 0;
  std::unique_ptr<TPixelGraphic> preview_;
  TFileInfo info_;
  bool infoValid_ = false;
  int phase_ = 1, percent_ = 0;
  TPreviewPane* previewPane_ = nullptr;
  TInfoPane* infoPane_ = nullptr;
};

class TPGOpenDialog : public TPGFileDialogBase {
  Q_OBJECT

 public:
  explicit TPGOpenDialog(QWidget* parent = nullptr);
  // Runs the dialog; true when the user chose a file.
  bool Execute();
};

class TPGSaveDialog : public TPGFileDialogBase {
  Q_OBJECT

 public:
  explicit TPGSaveDialog(QWidget* parent = nullptr);
  // Preselects the type of the current file name and runs the dialog.
  bool Execute();
  // The current file name (before) or the chosen one (after), with the extension of
  // the chosen type when it has none.
  QString FileName() const;
  void SetFileName(const QString& name) { fileName_ = name; }
  // Applies the preselection for the current file name (1-based index, 0 for none).
  int PreselectForFileName();
  // The user picked the file type with the given name filter.
  void FileTypeSelected(const QString& nameFilter);
  // The text of the file-name box.
  QString EditText() const;
  void SetEditText(const QString& text);

 private:
  QString fileName_;
  QString selectedExtension_;
};

}  // namespace lumora
