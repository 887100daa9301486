#pragma once
// Runs the row loop of an image operation with a progress event per row and the abort
// flag honoured, on several threads when rows are independent.
#include <functional>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

// Processes one destination row. Each thread gets its own (buffers, caches).
using TRowWorker = std::function<void(int y)>;
using TRowWorkerFactory = std::function<TRowWorker()>;

// Calls a worker for rows first..last of `dest` in order and, after each row, the
// progress event (step y - first, maximum last - first); an abort stops after that row.
// With `parallel` (only for rows that write nothing but themselves, e.g. 24-bit
// destinations) blocks of rows are computed on several threads; the events still come
// row by row on the calling thread, and rows computed beyond an aborting row are put
// back as they were, so the outcome equals the sequential loop.
// `workPerRow` (pixels) decides whether threads pay off.
// Most threads the row loops use (0, the default: one per core). Benchmarks set 1 to
// measure a single core.
void SetTransformThreadLimit(int threads);

// Whether hand-written vector code may be used where the processor has it (default on);
// tests switch it off to prove the portable code against the same references.
void SetTransformSimdAllowed(bool allowed);
bool TransformSimdAllowed();

void RunDestinationRows(TPixelGraphic& dest, int first, int last, bool parallel, double workPerRow,
                        const TRowWorkerFactory& makeWorker);

}  // namespace lumora
