#pragma once
// Glue between libjpeg and the library: an error manager whose fatal errors jump back to
// a guarded frame (the caller then raises "JPG: ..."), warnings routed through the
// image's warning action, and source/destination managers over TStream.
//
// libjpeg calls our callbacks from C frames. Nothing may unwind through them, so every
// libjpeg call runs inside JpegGuarded(), whose setjmp frame holds no C++ objects, and
// the callbacks only longjmp after every C++ object of theirs is gone.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include <jpeglib.h>

#include "imaging/core/pg_types.h"

namespace lumora {

class TStream;

// Progressive files with more scans than this are refused: each scan costs a pass over
// the whole coefficient buffer, and real encoders write a dozen or so.
constexpr int kJpegMaxScans = 1000;

struct TJpegErrorManager {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer is ours
  std::jmp_buf jump;
  TPGWarningAction warningAction = pgwaRaise;
  char message[JMSG_LENGTH_MAX + 64] = {};
  std::exception_ptr pending;  // a C++ failure of a callback, raised again after the jump

  // Installs the error manager into `cinfo` (before jpeg_create_*).
  jpeg_error_mgr* Install(TPGWarningAction action);
  // Records `text` as the failure and jumps back to the guarded frame.
  [[noreturn]] void Fail(const char* text);
  // Raises the recorded failure: the pending C++ exception or "JPG: " + message.
  [[noreturn]] void Raise() const;
};

// Runs `body` (libjpeg calls only, no C++ objects with destructors); false when libjpeg
// failed and jumped back.
template <class F>
[[gnu::noinline]] bool JpegGuarded(TJpegErrorManager& err, F&& body) {
  if (setjmp(err.jump)) return false;
  body();
  return true;
}

// Runs `body` guarded and raises the recorded failure when it did not complete.
template <class F>
void JpegCall(TJpegErrorManager& err, F&& body) {
  if (!JpegGuarded(err, static_cast<F&&>(body))) err.Raise();
}

constexpr std::size_t kJpegBufferSize = 64 * 1024;

// Reads from the stream at its position; at the end it inserts an EOI marker with
// libjpeg's "premature end" warning, as libjpeg's own file source does.
struct TJpegStreamSource {
  jpeg_source_mgr pub;
  TStream* stream = nullptr;
  TJpegErrorManager* err = nullptr;
  bool startOfFile = true;
  bool fakeEnd = false;
  jpeg_progress_mgr scanLimit;  // refuses files with more than kJpegMaxScans scans
  JOCTET buffer[kJpegBufferSize];

  void Attach(j_decompress_ptr cinfo, TStream& source, TJpegErrorManager& errors);
};

// Writes to the stream at its position through a buffer.
struct TJpegStreamDestination {
  jpeg_destination_mgr pub;
  TStream* stream = nullptr;
  TJpegErrorManager* err = nullptr;
  JOCTET buffer[kJpegBufferSize];

  void Attach(j_compress_ptr cinfo, TStream& target, TJpegErrorManager& errors);
};

// "JPG: " + message `number` with its arguments.
std::string JpgMessage(int number, std::initializer_list<std::string_view> args = {});
[[noreturn]] void RaiseJpg(const std::string& text);

// JDCT method of a setting value (0 accurate integer, 1 fast integer, 2 floating point).
J_DCT_METHOD JpegDCTMethod(int setting);

}  // namespace lumora
