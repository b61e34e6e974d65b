#pragma once
// The user's own data folder, where a program keeps what outlives a window (the history of runs):
// POSIX $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute; Windows the local
// application data folder (%LOCALAPPDATA%).

#include <string>

namespace platform {

// The folder, with separator; empty when the system cannot tell.
std::string UserDataFolder();

// `folder` and every missing folder above it, made for the user alone where the system allows.
// False when it is not there afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace platform
