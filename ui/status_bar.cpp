#include "ui/status_bar.h"

#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOption>

namespace lumora::ui {
namespace {
constexpr int kPanelGap = 2;
}

TStatusBar::TStatusBar(QVector<TPanelSpec> panels, QWidget* parent) : QStatusBar(parent) {
  for (const TPanelSpec& spec : panels) panels_.push_back({spec, {}, nullptr});
  setSizeGripEnabled(true);
  setMinimumHeight(fontMetrics().height() + 8);
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= PanelCount() || panels_[index].text == text) return;
  panels_[index].text = text;
  update(PanelRect(index));
}

QString TStatusBar::PanelText(int index) const {
  return (index >= 0 && index < PanelCount()) ? panels_[index].text : QString();
}

int TStatusBar::PanelWidth(int index) const {
  return (index >= 0 && index < PanelCount()) ? panels_[index].spec.width : 0;
}

Qt::Alignment TStatusBar::PanelAlignment(int index) const {
  return (index >= 0 && index < PanelCount()) ? panels_[index].spec.alignment : Qt::Alignment();
}

QRect TStatusBar::PanelRect(int index) const {
  int left = 0;
  for (int i = 0; i < PanelCount(); ++i) {
    if (i == index) return QRect(left, 1, panels_[i].spec.width, height() - 2);
    left += panels_[i].spec.width + kPanelGap;
  }
  return {};
}

void TStatusBar::SetPanelWidget(int index, QWidget* widget) {
  if (index < 0 || index >= PanelCount()) return;
  delete panels_[index].widget;
  panels_[index].widget = widget;
  widget->setParent(this);
  widget->show();
  PlaceChildren();
}

void TStatusBar::ShowGauge(int index, int percent) {
  if (index < 0 || index >= PanelCount()) return;
  if (!gauge_) {
    gauge_ = new QProgressBar(this);
    gauge_->setRange(0, 100);
    gauge_->setTextVisible(false);
  }
  gaugePanel_ = index;
  gauge_->setValue(std::clamp(percent, 0, 100));
  PlaceChildren();
  gauge_->show();
}

void TStatusBar::HideGauge() {
  if (gauge_) gauge_->hide();
  gaugePanel_ = -1;
  update();
}

bool TStatusBar::GaugeVisible() const { return gauge_ && gaugePanel_ >= 0; }
int TStatusBar::GaugeValue() const { return gauge_ ? gauge_->value() : 0; }

void TStatusBar::PlaceChildren() {
  for (int i = 0; i < PanelCount(); ++i) {
    QWidget* w = panels_[i].widget;
    if (!w) continue;
    const QRect r = PanelRect(i);
    const QSize s = w->sizeHint().boundedTo(r.size());
    w->setGeometry(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, s, r));
  }
  if (gauge_ && gaugePanel_ >= 0) gauge_->setGeometry(PanelRect(gaugePanel_).adjusted(2, 2, -2, -2));
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  PlaceChildren();
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  for (int i = 0; i < PanelCount(); ++i) {
    const QRect r = PanelRect(i);
    // A sunken bevel around every panel.
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (i == gaugePanel_ || panels_[i].text.isEmpty()) continue;
    p.setPen(palette().color(QPalette::WindowText));
    const QRect textRect = r.adjusted(3, 0, -3, 0);
    const QString text = fontMetrics().elidedText(panels_[i].text, Qt::ElideRight, textRect.width());
    p.drawText(textRect, int(panels_[i].spec.alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text);
  }
}

}  // namespace lumora::ui
