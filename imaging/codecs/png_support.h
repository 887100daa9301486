#pragma once
// Glue between libpng and the library: errors jump back to a guarded frame (the caller
// then raises "PNG: ..."), warnings go through the image's warning action, I/O goes to
// TStream.
//
// libpng calls our callbacks from C frames. Nothing may unwind through them, so every
// libpng call that can fail runs inside PngGuarded(), whose setjmp frame holds no C++
// objects, and the callbacks only jump after every C++ object of theirs is gone.
#include <csetjmp>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include <png.h>

#include "imaging/core/pg_types.h"

namespace lumora {

class TStream;

struct TPngContext {
  TStream* stream = nullptr;
  TPGWarningAction warningAction = pgwaRaise;
  char message[512] = {};
  std::exception_ptr pending;  // a C++ failure of a callback, raised again after the jump

  // Raises the recorded failure: the pending C++ exception or "PNG: " + message.
  [[noreturn]] void Raise() const;
};

template <class F>
[[gnu::noinline]] bool PngGuarded(png_structp png, F&& body) {
  if (setjmp(png_jmpbuf(png))) return false;
  body();
  return true;
}

template <class F>
void PngCall(png_structp png, TPngContext& context, F&& body) {
  if (!PngGuarded(png, static_cast<F&&>(body))) context.Raise();
}

// Read and write structures with our error, warning and I/O callbacks; destroyed in
// every case. Creation failures raise "PNG: png_create_..._struct failed".
class TPngReadStructs {
 public:
  TPngReadStructs(TStream& stream, TPGWarningAction action);
  ~TPngReadStructs();
  TPngReadStructs(const TPngReadStructs&) = delete;
  TPngReadStructs& operator=(const TPngReadStructs&) = delete;
  png_structp png = nullptr;
  png_infop info = nullptr;
  TPngContext context;

  // Guarded call; raises the recorded failure.
  template <class F>
  void Call(F&& body) {
    PngCall(png, context, static_cast<F&&>(body));
  }
  // Applies the size limits and reads the header chunks.
  void ReadInfo();
};

class TPngWriteStructs {
 public:
  TPngWriteStructs(TStream& stream, TPGWarningAction action);
  ~TPngWriteStructs();
  TPngWriteStructs(const TPngWriteStructs&) = delete;
  TPngWriteStructs& operator=(const TPngWriteStructs&) = delete;
  png_structp png = nullptr;
  png_infop info = nullptr;
  TPngContext context;

  template <class F>
  void Call(F&& body) {
    PngCall(png, context, static_cast<F&&>(body));
  }
};

// libpng 1.6 complains about colour profiles (iCCP, sRGB, and their consistency with
// gAMA and cHRM); those are not defects of the file as this reader uses it.
bool IsBenignPngWarning(std::string_view text);

std::string PngMessage(int number, std::initializer_list<std::string_view> args = {});
[[noreturn]] void RaisePng(const std::string& text);

}  // namespace lumora
