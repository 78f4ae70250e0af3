// Where the program and its per-user settings live on disk.
#pragma once
#include <string>

namespace zv {

// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();

// The per-user configuration folder: $XDG_CONFIG_HOME, else $HOME/.config, created when
// missing; with a trailing '/'. Empty when no such folder is known or it cannot be made.
std::string UserConfigFolder();
// The per-user data folder, the same way: $XDG_DATA_HOME, else $HOME/.local/share.
std::string UserDataFolder();

// Creates Path and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& Path);

bool FileExists(const std::string& Path);

// Path with a trailing '/' (unchanged when it already has one or is empty).
std::string IncludeTrailingPathDelimiter(const std::string& Path);

}  // namespace zv
