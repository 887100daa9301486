#include "imaging/codecs/jpeg_support.h"

#include <algorithm>
#include <cstring>

#include <jerror.h>

#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"

namespace lumora {
namespace {

TJpegErrorManager& ErrorsOf(j_common_ptr cinfo) { return *reinterpret_cast<TJpegErrorManager*>(cinfo->err); }

void CopyText(char* target, std::size_t size, const char* text) {
  std::strncpy(target, text, size - 1);
  target[size - 1] = '\0';
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  TJpegErrorManager& err = ErrorsOf(cinfo);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  err.Fail(text);
}

// Asks the image's warning action about `text`. True to go on; otherwise the failure is
// recorded in `err`. Never raises: it runs inside a libjpeg callback.
bool RouteWarning(TJpegErrorManager& err, const char* text) noexcept {
  try {
    if (ResolveWarning(err.warningAction, "JPG " + PGMessage(msgWarning), text)) return true;
    if (err.warningAction == pgwaRaise) CopyText(err.message, sizeof err.message, text);
    else CopyText(err.message, sizeof err.message, PGMessage(msgAborted).c_str());
  } catch (...) {
    err.pending = std::current_exception();
  }
  return false;
}

void OutputMessage(j_common_ptr cinfo) {
  TJpegErrorManager& err = ErrorsOf(cinfo);
  bool goOn;
  {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    goOn = RouteWarning(err, text);
  }
  if (!goOn) std::longjmp(err.jump, 1);
}

// Only the first warning of an image is shown; trace messages are off.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  if (cinfo->err->num_warnings++ == 0) (*cinfo->err->output_message)(cinfo);
}

// Records the scan-count failure; the jump happens in the caller, once the text object
// is gone.
void RecordTooManyScans(TJpegErrorManager& err) noexcept {
  try {
    CopyText(err.message, sizeof err.message, PGMessage(msgOutOfRange, {"Scan count"}).c_str());
  } catch (...) {
    CopyText(err.message, sizeof err.message, "Scan count out of range");
  }
}

void ProgressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kJpegMaxScans) return;
  TJpegErrorManager& err = ErrorsOf(cinfo);
  RecordTooManyScans(err);
  std::longjmp(err.jump, 1);
}

// ---- Source ----

TJpegStreamSource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<TJpegStreamSource*>(cinfo->src); }

constexpr std::size_t kReadFailed = ~std::size_t(0);

std::size_t SafeRead(TJpegStreamSource& src, void* buffer, std::size_t count) noexcept {
  try {
    return src.stream->Read(buffer, count);
  } catch (...) {
    src.err->pending = std::current_exception();
    return kReadFailed;
  }
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  TJpegStreamSource& src = SourceOf(cinfo);
  std::size_t count = SafeRead(src, src.buffer, kJpegBufferSize);
  if (count == kReadFailed) src.err->Fail("");
  if (count == 0) {
    if (src.startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src.buffer[0] = 0xFF;
    src.buffer[1] = JPEG_EOI;
    count = 2;
    src.fakeEnd = true;
  }
  src.pub.next_input_byte = src.buffer;
  src.pub.bytes_in_buffer = count;
  src.startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  TJpegStreamSource& src = SourceOf(cinfo);
  const std::size_t skip = static_cast<std::size_t>(count);
  if (skip <= src.pub.bytes_in_buffer) {
    src.pub.next_input_byte += skip;
    src.pub.bytes_in_buffer -= skip;
    return;
  }
  // Past the buffer: seek, but never beyond the end (the next fill then ends the data).
  const std::int64_t rest = std::int64_t(skip - src.pub.bytes_in_buffer);
  src.pub.bytes_in_buffer = 0;
  bool failed = false;
  try {
    src.stream->Seek(std::min(rest, src.stream->Remaining()), SeekOrigin::Current);
  } catch (...) {
    src.err->pending = std::current_exception();
    failed = true;
  }
  if (failed) src.err->Fail("");
}

// Leaves the stream just after the data libjpeg consumed.
void TermSource(j_decompress_ptr cinfo) {
  TJpegStreamSource& src = SourceOf(cinfo);
  if (src.fakeEnd || src.pub.bytes_in_buffer == 0) return;
  try {
    src.stream->Seek(-std::int64_t(src.pub.bytes_in_buffer), SeekOrigin::Current);
    src.pub.bytes_in_buffer = 0;
  } catch (...) {
  }
}

// ---- Destination ----

TJpegStreamDestination& DestinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<TJpegStreamDestination*>(cinfo->dest);
}

void WriteOut(TJpegStreamDestination& dest, std::size_t count) {
  bool failed = false;
  try {
    dest.stream->Write(dest.buffer, count);
  } catch (...) {
    dest.err->pending = std::current_exception();
    failed = true;
  }
  if (failed) dest.err->Fail("");
}

void InitDestination(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = kJpegBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  WriteOut(dest, kJpegBufferSize);
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  TJpegStreamDestination& dest = DestinationOf(cinfo);
  const std::size_t count = kJpegBufferSize - dest.pub.free_in_buffer;
  if (count > 0) WriteOut(dest, count);
}

}  // namespace

jpeg_error_mgr* TJpegErrorManager::Install(TPGWarningAction action) {
  jpeg_std_error(&pub);
  pub.error_exit = ErrorExit;
  pub.output_message = OutputMessage;
  pub.emit_message = EmitMessage;
  warningAction = action;
  return &pub;
}

void TJpegErrorManager::Fail(const char* text) {
  CopyText(message, sizeof message, text);
  std::longjmp(jump, 1);
}

void TJpegErrorManager::Raise() const {
  if (pending) std::rethrow_exception(pending);
  RaiseJpg(std::string("JPG: ") + message);
}

void TJpegStreamSource::Attach(j_decompress_ptr cinfo, TStream& source, TJpegErrorManager& errors) {
  stream = &source;
  err = &errors;
  pub.init_source = InitSource;
  pub.fill_input_buffer = FillInputBuffer;
  pub.skip_input_data = SkipInputData;
  pub.resync_to_restart = jpeg_resync_to_restart;
  pub.term_source = TermSource;
  pub.bytes_in_buffer = 0;
  pub.next_input_byte = nullptr;
  cinfo->src = &pub;
  scanLimit = jpeg_progress_mgr{ProgressMonitor, 0, 0, 0, 0};
  cinfo->progress = &scanLimit;
}

void TJpegStreamDestination::Attach(j_compress_ptr cinfo, TStream& target, TJpegErrorManager& errors) {
  stream = &target;
  err = &errors;
  pub.init_destination = InitDestination;
  pub.empty_output_buffer = EmptyOutputBuffer;
  pub.term_destination = TermDestination;
  cinfo->dest = &pub;
}

std::string JpgMessage(int number, std::initializer_list<std::string_view> args) {
  return "JPG: " + PGMessage(number, args);
}

void RaiseJpg(const std::string& text) { throw EPGJPGFileFormatReaderWriter(text); }

J_DCT_METHOD JpegDCTMethod(int setting) {
  switch (setting) {
    case 1: return JDCT_IFAST;
    case 2: return JDCT_FLOAT;
    default: return JDCT_ISLOW;
  }
}

}  // namespace lumora
