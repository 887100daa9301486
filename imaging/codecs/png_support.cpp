#include "imaging/codecs/png_support.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"

namespace lumora {
namespace {

TPngContext& ContextOf(png_structp png) { return *static_cast<TPngContext*>(png_get_error_ptr(png)); }

void CopyText(char* target, std::size_t size, const char* text) {
  std::strncpy(target, text ? text : "", size - 1);
  target[size - 1] = '\0';
}

[[noreturn]] void PngError(png_structp png, png_const_charp text) {
  TPngContext& context = ContextOf(png);
  CopyText(context.message, sizeof context.message, text);
  png_longjmp(png, 1);
}

// Asks the image's warning action; true to go on, otherwise the failure is recorded.
// Never raises: it runs inside a libpng callback.
bool RouteWarning(TPngContext& context, const char* text) noexcept {
  try {
    if (IsBenignPngWarning(text ? text : "")) return true;
    if (ResolveWarning(context.warningAction, "PNG " + PGMessage(msgWarning), text ? text : "")) return true;
    if (context.warningAction == pgwaRaise) CopyText(context.message, sizeof context.message, text);
    else CopyText(context.message, sizeof context.message, PGMessage(msgAborted).c_str());
  } catch (...) {
    context.pending = std::current_exception();
  }
  return false;
}

void PngWarning(png_structp png, png_const_charp text) {
  if (!RouteWarning(ContextOf(png), text)) png_longjmp(png, 1);
}

TPngContext& IoContextOf(png_structp png) { return *static_cast<TPngContext*>(png_get_io_ptr(png)); }

constexpr std::size_t kIoFailed = ~std::size_t(0);

std::size_t SafeRead(TPngContext& context, png_bytep data, std::size_t length) noexcept {
  try {
    return context.stream->Read(data, length);
  } catch (...) {
    context.pending = std::current_exception();
    return kIoFailed;
  }
}

void PngRead(png_structp png, png_bytep data, std::size_t length) {
  if (SafeRead(IoContextOf(png), data, length) != length) png_error(png, "Read Error");
}

bool SafeWrite(TPngContext& context, png_bytep data, std::size_t length) noexcept {
  try {
    context.stream->Write(data, length);
    return true;
  } catch (...) {
    context.pending = std::current_exception();
    return false;
  }
}

void PngWrite(png_structp png, png_bytep data, std::size_t length) {
  if (!SafeWrite(IoContextOf(png), data, length)) png_error(png, "Write Error");
}

void PngFlush(png_structp) {}

}  // namespace

void TPngContext::Raise() const {
  if (pending) std::rethrow_exception(pending);
  RaisePng(std::string("PNG: ") + message);
}

TPngReadStructs::TPngReadStructs(TStream& stream, TPGWarningAction action) {
  context.stream = &stream;
  context.warningAction = action;
  png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, PngError, PngWarning);
  if (!png) RaisePng(PngMessage(msgFailed, {"png_create_read_struct"}));
  info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    RaisePng(PngMessage(msgFailed, {"png_create_info_struct"}));
  }
  png_set_read_fn(png, &context, PngRead);
}

TPngReadStructs::~TPngReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }

void TPngReadStructs::ReadInfo() {
  const std::int64_t maxSide = std::min<std::int64_t>(GetImageLimits().MaxDimension, PNG_UINT_31_MAX);
  const auto limit = static_cast<png_uint_32>(std::max<std::int64_t>(maxSide, 1));
  png_structp p = png;
  png_infop i = info;
  Call([p, i, limit] {
    png_set_user_limits(p, limit, limit);
    // Colour profiles play no part in this reader; skipping them also skips libpng's
    // profile checks and their warnings.
    static const png_byte kIgnored[] = "iCCP\0sRGB";
    png_set_keep_unknown_chunks(p, PNG_HANDLE_CHUNK_NEVER, kIgnored, 2);
    png_read_info(p, i);
  });
}

TPngWriteStructs::TPngWriteStructs(TStream& stream, TPGWarningAction action) {
  context.stream = &stream;
  context.warningAction = action;
  png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, PngError, PngWarning);
  if (!png) RaisePng(PngMessage(msgFailed, {"png_create_write_struct"}));
  info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    RaisePng(PngMessage(msgFailed, {"png_create_info_struct"}));
  }
  png_set_write_fn(png, &context, PngWrite, PngFlush);
}

TPngWriteStructs::~TPngWriteStructs() { png_destroy_write_struct(&png, &info); }

bool IsBenignPngWarning(std::string_view text) {
  return text.starts_with("iCCP") || text.starts_with("sRGB") || text.find("profile") != std::string_view::npos;
}

std::string PngMessage(int number, std::initializer_list<std::string_view> args) {
  return "PNG: " + PGMessage(number, args);
}

void RaisePng(const std::string& text) { throw EPGPNGFileFormatReaderWriter(text); }

}  // namespace lumora
