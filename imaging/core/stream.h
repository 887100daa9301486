#pragma once
// Byte streams the codecs read from and write to: files and memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumora {

// A failure of the stream itself (cannot open, cannot write); not a format error.
class EStreamError : public std::runtime_error {
 public:
  explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read (fewer only at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes `count` bytes or raises EStreamError.
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }
  // Bytes between the current position and the end (0 when past the end).
  int64_t Remaining();
  // True when exactly `count` bytes were read.
  bool ReadExact(void* buffer, size_t count) { return Read(buffer, count) == count; }
};

// A stream over memory: either a growable owned buffer or a read-only view.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : owned_(std::move(bytes)) {}
  // A read-only view of memory that outlives the stream.
  TMemoryStream(const void* data, size_t size)
      : view_(static_cast<const std::uint8_t*>(data)), viewSize_(size) {}

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(size()); }

  const std::uint8_t* data() const { return view_ ? view_ : owned_.data(); }
  size_t size() const { return view_ ? viewSize_ : owned_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return owned_; }
  std::vector<std::uint8_t> TakeBytes() { return std::move(owned_); }

 private:
  std::vector<std::uint8_t> owned_;
  const std::uint8_t* view_ = nullptr;
  size_t viewSize_ = 0;
  int64_t pos_ = 0;
};

class TFileStream : public TStream {
 public:
  enum Mode { OpenRead, Create };
  TFileStream(const std::string& path, Mode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  // Flushes and closes; raises EStreamError when the data could not be written.
  void Close();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  int64_t readSize_ = -1;  // a file opened for reading keeps its size
};

// Reads a whole file into memory; raises EStreamError when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Little-endian field access on byte buffers.
inline std::uint16_t GetLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t GetLE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t GetBE16(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }
inline std::uint32_t GetBE32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}
inline void PutLE16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void PutLE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}
inline void PutBE16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 8);
  p[1] = std::uint8_t(v);
}
inline void PutBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

}  // namespace lumora
