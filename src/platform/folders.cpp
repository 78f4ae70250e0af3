#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zv {

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
  if (Path.empty() || Path.back() == '/') return Path;
  return Path + '/';
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "./";
    if (static_cast<size_t>(n) < buf.size()) {
      std::string path(buf.data(), static_cast<size_t>(n));
      size_t slash = path.rfind('/');
      return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    }
    buf.resize(buf.size() * 2);
  }
}

static bool IsDirectory(const std::string& Path) {
  struct stat st;
  return stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& Path) {
  if (Path.empty()) return false;
  if (IsDirectory(Path)) return true;
  // Make every prefix that ends before a '/', then the whole path.
  for (size_t pos = Path.find('/', 1); ; pos = Path.find('/', pos + 1)) {
    std::string part = pos == std::string::npos ? Path : Path.substr(0, pos);
    if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  return IsDirectory(Path);
}

bool FileExists(const std::string& Path) {
  struct stat st;
  return stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// $Variable when it is absolute (relative values are to be ignored, as the XDG rules say),
// else $HOME/HomeSub; created when missing.
static std::string XdgFolder(const char* Variable, const char* HomeSub) {
  std::string base;
  const char* xdg = std::getenv(Variable);
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') return std::string();
    base = IncludeTrailingPathDelimiter(home) + HomeSub;
  }
  if (!ForceDirectories(base)) return std::string();
  return IncludeTrailingPathDelimiter(base);
}

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string UserDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

}  // namespace zv
