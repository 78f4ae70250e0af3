// Helpers of the text-services tests: byte arrays from lists, and a settings folder of its
// own for a test, set up with the process globals and removed after.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "foundation/globals.h"
#include "kit/text/kit_types.h"

namespace zv::test {

inline TKitByteArray B(std::initializer_list<int> Bytes) {
  TKitByteArray out;
  for (int b : Bytes) out.push_back(static_cast<uint8_t>(b));
  return out;
}

class TTempSettings {
 public:
  explicit TTempSettings(const std::string& Name)
      : FRoot(std::filesystem::temp_directory_path() / (Name + "_" + std::to_string(getpid()))) {
    std::filesystem::remove_all(FRoot);
    InitGlobals({.ConfigRoot = FRoot.string(), .ExeFolder = {}});
  }
  ~TTempSettings() {
    DoneGlobals();
    std::filesystem::remove_all(FRoot);
  }
  TTempSettings(const TTempSettings&) = delete;
  TTempSettings& operator=(const TTempSettings&) = delete;

  std::string Folder() const { return SettingsFolder(); }
  static std::string ReadFile(const std::string& Path) {
    std::ifstream f(Path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  std::filesystem::path FRoot;
};

}  // namespace zv::test
