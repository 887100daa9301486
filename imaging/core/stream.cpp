#include "imaging/core/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lumora {

int64_t TStream::Remaining() {
  const int64_t pos = Position();
  const int64_t size = Size();
  return pos < size ? size - pos : 0;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const int64_t size = static_cast<int64_t>(this->size());
  if (pos_ >= size || count == 0) return 0;
  const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - pos_));
  std::memcpy(buffer, data() + pos_, n);
  pos_ += static_cast<int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (view_) throw EStreamError("Stream write error");
  if (count == 0) return;
  const size_t end = static_cast<size_t>(pos_) + count;
  if (static_cast<size_t>(pos_) == owned_.size()) {
    // Appending, the common case: the bytes go in without clearing the space first.
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    owned_.insert(owned_.end(), bytes, bytes + count);
  } else {
    if (end > owned_.size()) owned_.resize(end);
    std::memcpy(owned_.data() + pos_, buffer, count);
  }
  pos_ = static_cast<int64_t>(end);
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = 0;
  if (origin == SeekOrigin::Current) base = pos_;
  if (origin == SeekOrigin::End) base = static_cast<int64_t>(size());
  pos_ = std::max<int64_t>(0, base + offset);
  return pos_;
}

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path) {
  file_ = std::fopen(path.c_str(), mode == OpenRead ? "rb" : "wb");
  if (!file_) {
    throw EStreamError((mode == OpenRead ? "Cannot open file \"" : "Cannot create file \"") + path +
                       "\". " + std::strerror(errno));
  }
  if (mode == OpenRead) readSize_ = Size();
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  if (!file_) return 0;
  return std::fread(buffer, 1, count, file_);
}

void TFileStream::Write(const void* buffer, size_t count) {
  if (!file_ || std::fwrite(buffer, 1, count, file_) != count) {
    throw EStreamError("Stream write error");
  }
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  if (!file_) return 0;
  const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (!(origin == SeekOrigin::Current && offset == 0)) {
    if (origin == SeekOrigin::Begin && offset < 0) offset = 0;
    fseeko(file_, offset, whence);
  }
  return ftello(file_);
}

int64_t TFileStream::Size() {
  if (!file_) return 0;
  if (readSize_ >= 0) return readSize_;
  const off_t here = ftello(file_);
  fseeko(file_, 0, SEEK_END);
  const off_t end = ftello(file_);
  fseeko(file_, here, SEEK_SET);
  return end;
}

void TFileStream::Close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  const bool ok = std::fflush(f) == 0 && !std::ferror(f);
  if (std::fclose(f) != 0 || !ok) throw EStreamError("Stream write error");
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  TFileStream f(path, TFileStream::OpenRead);
  const int64_t size = f.Size();
  std::vector<std::uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(0, size)));
  if (!bytes.empty() && !f.ReadExact(bytes.data(), bytes.size())) throw EStreamError("Cannot read \"" + path + "\"");
  return bytes;
}

}  // namespace lumora
