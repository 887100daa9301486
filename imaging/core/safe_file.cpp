#include "imaging/core/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/stream.h"

namespace lumora {
namespace {

std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A temporary file whose own stream flushes to disk before it is renamed.
class TTempFileStream : public TStream {
 public:
  explicit TTempFileStream(int fd) : file_(fdopen(fd, "wb")) {
    if (!file_) {
      close(fd);
      throw EStreamError(std::string("Cannot create temporary file. ") + std::strerror(errno));
    }
  }
  ~TTempFileStream() override {
    if (file_) std::fclose(file_);
  }
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void* buffer, size_t count) override {
    if (std::fwrite(buffer, 1, count, file_) != count) throw EStreamError("Stream write error");
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    if (!(origin == SeekOrigin::Current && offset == 0)) fseeko(file_, offset, whence);
    return ftello(file_);
  }
  int64_t Size() override {
    const off_t here = ftello(file_);
    fseeko(file_, 0, SEEK_END);
    const off_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
    return end;
  }
  void Commit() {
    std::FILE* f = file_;
    file_ = nullptr;
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    ok = ok && fsync(fileno(f)) == 0;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) throw EStreamError(std::string("Stream write error. ") + std::strerror(errno));
  }

 private:
  std::FILE* file_;
};

}  // namespace

void WriteFileSafely(const std::string& path, const std::function<void(TStream&)>& write) {
  const std::string target = ResolveTarget(path);
  const std::string folder = FolderOf(target);
  std::string pattern = folder + "/.lumora-save-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw EStreamError("Cannot create file \"" + path + "\". " + std::strerror(errno));
  const std::string tempPath(name.data());

  struct stat st;
  const mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
  fchmod(fd, mode);

  try {
    TTempFileStream stream(fd);
    write(stream);
    stream.Commit();
  } catch (...) {
    unlink(tempPath.c_str());
    throw;
  }
  if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
    const int err = errno;
    unlink(tempPath.c_str());
    throw EStreamError("Cannot create file \"" + path + "\". " + std::strerror(err));
  }
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // File systems without renameat2 flags: a hard link fails when the name exists.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  return unlink(from.c_str()) == 0;
}

}  // namespace lumora
