#include "imaging/processing/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace lumora {
namespace {

std::atomic<int> g_threadLimit{0};
std::atomic<bool> g_simdAllowed{true};

int ThreadCount() {
  const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  const int limit = g_threadLimit.load();
  return limit > 0 ? std::min(limit, cores) : cores;
}

// Runs rows [begin, end) split over the workers, the first share on this thread.
void RunBlock(std::vector<TRowWorker>& workers, int begin, int end) {
  const int threads = int(workers.size());
  const int rows = end - begin;
  std::vector<std::thread> pool;
  std::vector<std::exception_ptr> errors(static_cast<size_t>(threads));
  auto share = [&](int k) {
    const int from = begin + int(std::int64_t(rows) * k / threads);
    const int to = begin + int(std::int64_t(rows) * (k + 1) / threads);
    try {
      for (int y = from; y < to; ++y) workers[size_t(k)](y);
    } catch (...) {
      errors[size_t(k)] = std::current_exception();
    }
  };
  for (int k = 1; k < threads; ++k) pool.emplace_back(share, k);
  share(0);
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
}

}  // namespace

void SetTransformThreadLimit(int threads) { g_threadLimit.store(std::max(0, threads)); }
void SetTransformSimdAllowed(bool allowed) { g_simdAllowed.store(allowed); }
bool TransformSimdAllowed() { return g_simdAllowed.load(); }

void RunDestinationRows(TPixelGraphic& dest, int first, int last, bool parallel, double workPerRow,
                        const TRowWorkerFactory& makeWorker) {
  if (last < first) return;
  const int rows = last - first + 1;
  const int threads = parallel && workPerRow * rows >= 65536.0 ? std::min(ThreadCount(), rows) : 1;
  if (threads <= 1) {
    TRowWorker worker = makeWorker();
    for (int y = first; y <= last; ++y) {
      worker(y);
      if (dest.Progress(y - first, last - first)) return;
    }
    return;
  }

  std::vector<TRowWorker> workers;
  for (int k = 0; k < threads; ++k) workers.push_back(makeWorker());
  // Without a progress handler nobody can abort: one block for everything. Otherwise
  // blocks of rows, each saved first so an abort can put back the rows beyond it.
  const bool canAbort = bool(dest.OnProgress);
  const int blockRows = canAbort ? std::max(16 * threads, rows / 16) : rows;
  const size_t stride = size_t(dest.RowStride());
  std::vector<std::uint8_t> saved;
  for (int begin = first; begin <= last; begin += blockRows) {
    const int end = std::min(last + 1, begin + blockRows);
    if (canAbort) {
      saved.resize(stride * size_t(end - begin));
      for (int y = begin; y < end; ++y) std::memcpy(&saved[stride * size_t(y - begin)], dest.ScanLine(y), stride);
    }
    RunBlock(workers, begin, end);
    for (int y = begin; y < end; ++y) {
      if (dest.Progress(y - first, last - first)) {
        for (int r = y + 1; r < end; ++r) std::memcpy(dest.ScanLine(r), &saved[stride * size_t(r - begin)], stride);
        return;
      }
    }
  }
}

}  // namespace lumora
