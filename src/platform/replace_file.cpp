#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace zv {

namespace {

// The file a write to Path really changes: the target of a symbolic link.
std::string Target(const std::string& Path) {
  struct stat st;
  if (lstat(Path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return Path;
  char* real = realpath(Path.c_str(), nullptr);
  if (!real) return Path;  // a dangling link: replaced like a missing file
  std::string result(real);
  std::free(real);
  return result;
}

// A new file beside Name that nobody else has: O_EXCL makes a name taken in between fail.
int CreateBeside(const std::string& Name, std::string& TempName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%d-%u~", static_cast<int>(getpid()), counter++);
    TempName = Name + suffix;
    int fd;
    do fd = open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int Fd, const void* Data, size_t Size) {
  const char* p = static_cast<const char*>(Data);
  while (Size > 0) {
    const ssize_t n = write(Fd, p, Size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    p += n;
    Size -= static_cast<size_t>(n);
  }
  return true;
}

// The rename itself is made durable by syncing the folder that holds the name.
void SyncFolderOf(const std::string& Name) {
  const size_t slash = Name.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : Name.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

}  // namespace

TReplaceFileResult ReplaceFileContent(const std::string& Path, const void* Data, size_t Size) {
  const std::string name = Target(Path);
  struct stat old;
  const bool exists = stat(name.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return {TReplaceFileResult::rsCreate, EISDIR};
  // A file the user may not write stays as it is, though the folder would allow a new one.
  if (exists && access(name.c_str(), W_OK) != 0) return {TReplaceFileResult::rsCreate, errno};

  std::string temp;
  const int fd = CreateBeside(name, temp);
  if (fd < 0) return {TReplaceFileResult::rsCreate, errno};
  if (exists) {
    // Owner first: a change of owner may clear the set-id bits that fchmod then restores.
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only the owner's group or root may give the file away; the new file stays ours.
    }
    (void)fchmod(fd, old.st_mode & 07777);
  }
  bool ok = WriteAll(fd, Data, Size) && fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.c_str(), name.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return {TReplaceFileResult::rsWrite, error};
  }
  SyncFolderOf(name);
  return {};
}

}  // namespace zv
