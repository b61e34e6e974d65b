#pragma once
// Paths between the window's texts and the file functions of the engine.

#include <QString>
#include <string>

namespace ui {

// A path typed in the window as the operating system's file functions take it.
std::string NativePath(const QString& path);
QString FromNativePath(const std::string& path);

}  // namespace ui
