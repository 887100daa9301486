#include "imaging/widgets/timer_ex.h"

#include <QMetaObject>

#include <chrono>
#include <exception>

namespace lumora {

TTimerEx::TTimerEx(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { Deliver(); });
}

TTimerEx::~TTimerEx() { Stop(); }

void TTimerEx::SetEnabled(bool on) {
  enabled_ = on;
  Restart();
}

void TTimerEx::SetInterval(unsigned ms) {
  if (ms == interval_) return;  // a running countdown goes on
  interval_ = ms;
  Restart();
}

void TTimerEx::SetThreaded(bool on) {
  threaded_ = on;
  Restart();
}

void TTimerEx::SetThreadPriority(TThreadPriority priority) {
  priority_ = priority;
  if (threaded_) Restart();
}

void TTimerEx::SetOnTimer(std::function<void()> handler) {
  onTimer_ = std::move(handler);
  Restart();
}

void TTimerEx::Trigger() { Deliver(); }

void TTimerEx::Deliver() {
  if (!enabled_ || !onTimer_) return;
  try {
    onTimer_();
  } catch (const std::exception& e) {
    qWarning("TTimerEx: %s", e.what());
  }
}

void TTimerEx::Stop() {
  timer_.stop();
  StopWorker();
  running_ = false;
}

void TTimerEx::Restart() {
  Stop();
  if (interval_ == 0 || !enabled_ || !onTimer_) return;
  running_ = true;
  if (threaded_) {
    StartWorker();
  } else {
    timer_.start(int(interval_));
  }
}

void TTimerEx::StartWorker() {
  stopWorker_ = false;
  const auto interval = std::chrono::milliseconds(interval_);
  worker_ = std::thread([this, interval] {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (wake_.wait_for(lock, interval, [this] { return stopWorker_; })) return;
      if (threadSafe_) {
        lock.unlock();
        if (onTimer_) onTimer_();
        lock.lock();
      } else {
        // The tick runs on the user-interface thread; it is dropped if the timer is gone.
        QMetaObject::invokeMethod(this, [this] { Deliver(); }, Qt::QueuedConnection);
      }
    }
  });
}

void TTimerEx::StopWorker() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopWorker_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

}  // namespace lumora
