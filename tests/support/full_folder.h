// A folder on a file system that is full: a small tmpfs mounted on it where the test may
// mount one (as root), filled up to the room asked for. Elsewhere the process may not write
// files larger than that room (RLIMIT_FSIZE), so that a write fails as on a full disk.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace zv::test {

class TFullFolder {
 public:
  explicit TFullFolder(std::filesystem::path Folder) : FPath(std::move(Folder)) {
    std::filesystem::create_directories(FPath);
    FMounted = ::mount("tmpfs", FPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0755") == 0;
  }
  ~TFullFolder() {
    MakeRoom();
    if (FMounted) ::umount2(FPath.c_str(), MNT_DETACH);
  }
  TFullFolder(const TFullFolder&) = delete;
  TFullFolder& operator=(const TFullFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string File(const char* Name) const { return (FPath / Name).string(); }
  bool Mounted() const { return FMounted; }

  // From now on a file of Room bytes still fits, a file of a few times that does not.
  void Fill(size_t Room) {
    if (FMounted) {
      const int fd = ::open(Filler().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      std::vector<char> block(65536, 'f');
      ssize_t n;
      do n = ::write(fd, block.data(), block.size());
      while (n > 0);
      for (const size_t page : {size_t{16384}, size_t{4096}, size_t{1}})
        while (::write(fd, block.data(), page) > 0) {
        }
      // Room given back in whole pages.
      const off_t size = ::lseek(fd, 0, SEEK_END);
      const off_t room = static_cast<off_t>((Room + 4095) / 4096 * 4096);
      if (::ftruncate(fd, std::max<off_t>(0, size - room)) != 0) {
      }
      ::close(fd);
    } else {
      ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
      ::getrlimit(RLIMIT_FSIZE, &FOldLimit);
      rlimit limit = FOldLimit;
      limit.rlim_cur = std::max<rlim_t>(Room, 1);
      ::setrlimit(RLIMIT_FSIZE, &limit);
      FLimited = true;
    }
  }
  void MakeRoom() {
    if (FMounted) std::filesystem::remove(Filler());
    if (FLimited) ::setrlimit(RLIMIT_FSIZE, &FOldLimit);
    FLimited = false;
  }
  // What the system says of a write that did not fit.
  int Error() const { return FMounted ? ENOSPC : EFBIG; }
  // The names in the folder, but the filler, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
      if (entry.path() != Filler()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path Filler() const { return FPath / ".filler"; }

  std::filesystem::path FPath;
  bool FMounted = false;
  bool FLimited = false;
  rlimit FOldLimit{};
};

}  // namespace zv::test
