#pragma once
// TTimerEx: a timer that fires from the user-interface event loop, or waits on a
// worker thread and hands each tick to the user-interface thread (or, with
// ThreadSafe, runs it on the worker).
#include <QObject>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace lumora {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TTimerEx : public QObject {
  Q_OBJECT

 public:
  explicit TTimerEx(QObject* parent = nullptr);
  ~TTimerEx() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool on);
  TThreadPriority ThreadPriority() const { return priority_; }
  // Kept for the settings; the worker runs at the system's normal priority.
  void SetThreadPriority(TThreadPriority priority);
  bool ThreadSafe() const { return threadSafe_; }
  void SetThreadSafe(bool on) { threadSafe_ = on; }
  void SetOnTimer(std::function<void()> handler);

  // True while the timer counts down (Interval > 0, Enabled, a handler).
  bool Running() const { return running_; }
  // One tick, as the timer would deliver it; tests drive animations with it.
  void Trigger();

 private:
  void Restart();
  void Stop();
  void StartWorker();
  void StopWorker();
  void Deliver();

  bool enabled_ = true;
  unsigned interval_ = 1000;
  bool threaded_ = false;
  bool threadSafe_ = false;
  TThreadPriority priority_ = tpNormal;
  std::function<void()> onTimer_;
  bool running_ = false;
  QTimer timer_;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopWorker_ = false;
};

}  // namespace lumora
