#pragma once
// A status bar of fixed panels, each with a width, an alignment and a text; any panel can
// hold a small widget (a status light) or show a progress gauge in place of its text.
#include <QStatusBar>
#include <QVector>

class QProgressBar;

namespace lumora::ui {

struct TPanelSpec {
  int width;
  Qt::Alignment alignment;
};

class TStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  TStatusBar(QVector<TPanelSpec> panels, QWidget* parent = nullptr);

  int PanelCount() const { return int(panels_.size()); }
  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;
  int PanelWidth(int index) const;
  Qt::Alignment PanelAlignment(int index) const;
  QRect PanelRect(int index) const;

  // Places `widget` centred in the panel (the bar takes ownership).
  void SetPanelWidget(int index, QWidget* widget);
  // A gauge in the panel, 0..100 percent; HideGauge() brings the text back.
  void ShowGauge(int index, int percent);
  void HideGauge();
  bool GaugeVisible() const;
  int GaugeValue() const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  struct TPanel {
    TPanelSpec spec;
    QString text;
    QWidget* widget = nullptr;
  };
  void PlaceChildren();

  QVector<TPanel> panels_;
  QProgressBar* gauge_ = nullptr;
  int gaugePanel_ = -1;
};

}  // namespace lumora::ui
