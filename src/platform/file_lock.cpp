#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zv {

TFileLock& TFileLock::operator=(TFileLock&& Other) noexcept {
  if (this != &Other) {
    Release();
    FHandle = Other.FHandle;
    Other.FHandle = -1;
  }
  return *this;
}

bool TFileLock::TryAcquire(const std::string& Path) {
  Release();
  // Close-on-exec: a started child must not keep the slot alive after we end.
  int fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // flock locks belong to the open file description, so a second open in this same
  // process conflicts as a second process does.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  // Emptied only once held, so that a holder's file is never touched by a loser.
  if (ftruncate(fd, 0) != 0) {
    // An unwritable file still serves as a lock.
  }
  FHandle = fd;
  return true;
}

void TFileLock::Release() {
  if (FHandle >= 0) {
    close(FHandle);
    FHandle = -1;
  }
}

}  // namespace zv
