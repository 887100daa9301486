#include "imaging/widgets/pg_file_dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <thread>

#include "imaging/core/color_resolution.h"
#include "imaging/view/file_dialog_names.h"
#include "imaging/view/view_layout.h"
#include "imaging/widgets/pg_draw.h"
#include "imaging/widgets/screen_info.h"

namespace lumora {

QStringList QtNameFilters(const std::string& barFilter) {
  QStringList filters;
  for (const TDialogFilterEntry& e : ParseDialogFilter(barFilter)) filters << QString::fromStdString(NameFilterText(e));
  return filters;
}

// ---- The preview worker ----

struct TPreviewJob {
  std::string Path;
  int PaneWidth = 0, PaneHeight = 0;
  TStretchMode StretchMode = smPrecise;
  TPaletteIdent Palette24 = pOptimized252Sys16, Palette8 = pOptimized252Sys16;
  int ScreenDepth = 24;
};

class TPreviewWorker {
 public:
  using ProgressFn = std::function<void(int phase, int percent)>;
  using DeliverFn = std::function<void(std::unique_ptr<TPixelGraphic>)>;
  TPreviewWorker(TPreviewJob job, ProgressFn progress, DeliverFn deliver)
      : job_(std::move(job)), progress_(std::move(progress)), deliver_(std::move(deliver)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~TPreviewWorker() {
    stopped_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const { return finished_; }

 private:
  void Attach(TPixelGraphic& image) {
    image.OnProgress = [this](TPixelGraphic&, int step, int max, bool& abort) {
      const int percent = ProgressPercent(step, max);
      const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
      if (limiter_.ShouldReport(percent, now) && progress_) progress_(phase_, percent);
      if (stopped_) abort = true;
    };
  }

  void Run() {
    try {
      auto image = std::make_unique<TPixelGraphic>();
      image->ReadWarningAction = pgwaIgnore;
      image->PreviewLoad = true;
      Attach(*image);
      image->LoadFromFile(job_.Path);
      if (stopped_) return Finish();
      const TPreviewSize fit = PreviewFitSize(image->Width(), image->Height(), job_.PaneWidth, job_.PaneHeight);
      if (fit.Width != image->Width() || fit.Height != image->Height()) {
        ++phase_;
        auto resized = std::make_unique<TPixelGraphic>();
        resized->StretchMode = job_.StretchMode;
        Attach(*resized);
        resized->Allocate(fit.Width, fit.Height, 3);
        resized->StretchFrom(*image);
        image = std::move(resized);
        if (stopped_) return Finish();
      }
      if (job_.ScreenDepth <= 8) {
        ++phase_;
        auto converted = std::make_unique<TPixelGraphic>();
        Attach(*converted);
        if (job_.ScreenDepth < 8) {
          converted->Allocate(image->Width(), image->Height(), 1);
          converted->SetPaletteIdent(pSys16);
        } else {
          converted->Allocate(image->Width(), image->Height(), 2);
          const TPaletteIdent wanted = image->BitCount() == 24 ? job_.Palette24 : job_.Palette8;
          if (wanted == pOptimized252Sys16)
            OptimizePalette(*converted, *image, 252, true);
          else if (wanted == pSource)
            converted->CopyPalette(*image);
          else
            converted->SetPaletteIdent(wanted);
        }
        converted->StretchFrom(*image);
        image = std::move(converted);
      }
      if (!stopped_) {
        image->OnProgress = nullptr;
        deliver_(std::move(image));
      }
    } catch (...) {
      // The pane stays empty.
    }
    Finish();
  }
  void Finish() { finished_ = true; }

  TPreviewJob job_;
  ProgressFn progress_;
  DeliverFn deliver_;
  TPreviewProgressLimiter limiter_;
  int phase_ = 1;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// ---- The panes ----

class TPreviewPane : public QWidget {
 public:
  explicit TPreviewPane(TPGFileDialogBase& dialog) : QWidget(&dialog), dialog_(dialog) {
    setMinimumSize(140, 130);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().color(QPalette::Button));
    // A sunken frame two pixels wide.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Shadow));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const QRect inner = r.adjusted(2, 2, -2, -2);
    if (const TPixelGraphic* preview = dialog_.Preview()) {
      const TPreviewSize s = PreviewFitSize(preview->Width(), preview->Height(), inner.width(), inner.height());
      const QRect target(inner.left() + (inner.width() - s.Width) / 2, inner.top() + (inner.height() - s.Height) / 2,
                         s.Width, s.Height);
      DrawPixelGraphic(p, target, *preview);
    } else if (dialog_.PreviewWorkerRunning() && dialog_.ProgressClockVisible) {
      const int x = r.left() + (r.width() - 15) / 2, y = r.top() + (r.height() - 15) / 2;
      p.setPen(dialog_.ProgressClockLineColor);
      p.setBrush(dialog_.ProgressClockBkColor);
      p.drawEllipse(QRect(x, y, 14, 14));
      const TClockHands h = ComputeClockHands(dialog_.PreviewPhase(), dialog_.PreviewPercent());
      const QPoint c(x + 7, y + 7);
      p.drawLine(c, c + QPoint(h.LongX, h.LongY));
      p.drawLine(c, c + QPoint(h.ShortX, h.ShortY));
    }
  }

 private:
  TPGFileDialogBase& dialog_;
};

class TInfoPane : public QWidget {
 public:
  explicit TInfoPane(TPGFileDialogBase& dialog) : QWidget(&dialog), dialog_(dialog) { setMinimumSize(140, 64); }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!dialog_.ShowInfo || !dialog_.InfoValid()) return;
    QPainter p(this);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    p.setFont(font);
    const QStringList lines = dialog_.InfoLines();
    const int step = lines.isEmpty() ? 0 : height() / lines.size();
    for (int i = 0; i < lines.size(); ++i)
      p.drawText(QRect(0, i * step, width(), step), Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
  }

 private:
  TPGFileDialogBase& dialog_;
};

// ---- The dialog ----

TPGFileDialogBase::TPGFileDialogBase(QWidget* parent, bool saveDialog) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(saveDialog ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  ProgressClockBkColor = palette().color(QPalette::Button);
  ProgressClockLineColor = palette().color(QPalette::Dark);
  timer_.setSingleShot(true);
  timer_.setInterval(150);
  connect(&timer_, &QTimer::timeout, this, [this] { DebounceElapsed(); });
  connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { SelectionChanged(path); });
  auto* side = new QWidget(this);
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  previewPane_ = new TPreviewPane(*this);
  infoPane_ = new TInfoPane(*this);
  column->addWidget(previewPane_, 3);
  column->addWidget(infoPane_, 1);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) grid->addWidget(side, 0, grid->columnCount(), grid->rowCount(), 1);
}

TPGFileDialogBase::~TPGFileDialogBase() { StopPreviewWorker(); }

void TPGFileDialogBase::StopPreviewWorker() {
  worker_.reset();  // stops and waits
  ++generation_;
}

QSize TPGFileDialogBase::PreviewInnerSize() const {
  return QSize(std::max(previewPane_->width() - 4, 1), std::max(previewPane_->height() - 4, 1));
}

void TPGFileDialogBase::SelectionChanged(const QString& path) {
  timer_.stop();
  StopPreviewWorker();
  preview_.reset();
  infoValid_ = false;
  previewPane_->update();
  infoPane_->update();
  pendingPath_ = path;
  timer_.start();
}

void TPGFileDialogBase::DebounceElapsed() {
  timer_.stop();
  QString path = pendingPath_;
  // Several names: only the first counts; quotes are removed.
  if (path.startsWith('"')) path = path.section('"', 1, 1);
  path.remove('"');
  infoValid_ = GetFileInfo(path.toStdString(), 0, info_);
  infoPane_->update();
  previewPane_->update();
  if (!infoValid_) return;
  TPreviewJob job;
  job.Path = path.toStdString();
  const QSize inner = PreviewInnerSize();
  job.PaneWidth = inner.width();
  job.PaneHeight = inner.height();
  job.StretchMode = StretchMode;
  job.Palette24 = Palette8BitSys24BitGraphic;
  job.Palette8 = Palette8BitSys8BitGraphic;
  job.ScreenDepth = ScreenDepth();
  phase_ = 1;
  percent_ = 0;
  const int generation = ++generation_;
  worker_ = std::make_unique<TPreviewWorker>(
      job,
      [this, generation](int phase, int percent) {
        QMetaObject::invokeMethod(
            this, [this, generation, phase, percent] { Progress(generation, phase, percent); }, Qt::QueuedConnection);
      },
      [this, generation](std::unique_ptr<TPixelGraphic> image) {
        auto holder = std::make_shared<std::unique_ptr<TPixelGraphic>>(std::move(image));
        QMetaObject::invokeMethod(
            this, [this, generation, holder] { Delivered(generation, std::move(*holder)); }, Qt::QueuedConnection);
      });
}

void TPGFileDialogBase::Progress(int generation, int phase, int percent) {
  if (generation != generation_) return;
  phase_ = phase;
  percent_ = percent;
  previewPane_->update();
}

void TPGFileDialogBase::Delivered(int generation, std::unique_ptr<TPixelGraphic> image) {
  if (generation != generation_) return;
  worker_.reset();
  preview_ = std::move(image);
  previewPane_->update();
}

void TPGFileDialogBase::WaitForPreview() {
  QElapsedTimer t;
  t.start();
  while ((worker_ || timer_.isActive()) && t.elapsed() < 30000) {
    if (worker_ && worker_->Finished()) {
      QCoreApplication::processEvents();
      if (worker_) worker_.reset();  // finished without a picture
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
}

QStringList TPGFileDialogBase::InfoLines() const {
  QStringList lines;
  if (!infoValid_) return lines;
  if (!info_.Description.empty()) lines << QString::fromStdString(info_.Description);
  if (!info_.Info.InfoText.empty()) lines << QString::fromStdString(info_.Info.InfoText);
  if (!info_.Info.ExtraText.empty()) lines << QString::fromStdString(info_.Info.ExtraText);
  lines << QString::fromStdString(FileInfoSizeLine(info_.Info));
  return lines;
}

void TPGFileDialogBase::done(int result) {
  timer_.stop();
  StopPreviewWorker();
  preview_.reset();
  QFileDialog::done(result);
}

void TPGFileDialogBase::showEvent(QShowEvent* e) {
  QFileDialog::showEvent(e);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.left() + (area.width() - frame.width()) / 2, area.top() + (area.height() - frame.height()) / 3);
  }
}

TPGOpenDialog::TPGOpenDialog(QWidget* parent) : TPGFileDialogBase(parent, false) {
  setFileMode(QFileDialog::ExistingFile);
}

bool TPGOpenDialog::Execute() {
  if (UseDefaultFilter) setNameFilters(QtNameFilters(BuildOpenFilter()));
  return exec() == QDialog::Accepted;
}

TPGSaveDialog::TPGSaveDialog(QWidget* parent) : TPGFileDialogBase(parent, true) {
  setFileMode(QFileDialog::AnyFile);
  connect(this, &QFileDialog::filterSelected, this, [this](const QString& f) { FileTypeSelected(f); });
}

int TPGSaveDialog::PreselectForFileName() {
  if (UseDefaultFilter) setNameFilters(QtNameFilters(BuildSaveFilter()));
  const auto entries = ParseDialogFilter(BuildSaveFilter());
  const int index = UseDefaultFilter ? PreselectFilterIndex(entries, fileName_.toStdString()) : 0;
  if (index > 0) {
    selectNameFilter(QString::fromStdString(NameFilterText(entries[index - 1])));
    selectedExtension_ = QString::fromStdString(EntryExtension(entries[index - 1]));
  } else if (!entries.empty() && UseDefaultFilter) {
    selectedExtension_ = QString::fromStdString(EntryExtension(entries[0]));
  }
  if (!fileName_.isEmpty()) selectFile(fileName_);
  return index;
}

bool TPGSaveDialog::Execute() {
  PreselectForFileName();
  if (exec() != QDialog::Accepted) return false;
  const QStringList files = selectedFiles();
  if (!files.isEmpty())
    fileName_ = QString::fromStdString(WithDefaultExtension(files[0].toStdString(), selectedExtension_.toStdString()));
  return true;
}

QString TPGSaveDialog::FileName() const { return fileName_; }

QString TPGSaveDialog::EditText() const {
  const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  return edit ? edit->text() : QString();
}

void TPGSaveDialog::SetEditText(const QString& text) {
  if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(text);
}

void TPGSaveDialog::FileTypeSelected(const QString& nameFilter) {
  const auto entries = ParseDialogFilter(BuildSaveFilter());
  std::string extension;
  for (const auto& e : entries)
    if (QString::fromStdString(NameFilterText(e)) == nameFilter) extension = EntryExtension(e);
  selectedExtension_ = QString::fromStdString(extension);
  const QString name = EditText();
  if (name.isEmpty()) return;
  const bool several = name.count('"') >= 4;
  const QString full = QFileInfo(name).isAbsolute() ? name : directory().filePath(name);
  const bool isFolder = QFileInfo(full).isDir();
  const auto renamed = RenameForFileType(name.toStdString(), extension, several, isFolder,
                                         directory().absolutePath().toStdString());
  if (renamed) SetEditText(QString::fromStdString(*renamed));
}

}  // namespace lumora
