#pragma once
// Ajuda: the help file PRXAuto.chm of the program's folder, opened with its default program.
// Where no program opens .chm files, the same pages as HTML (ajuda/index.html beside the
// program) are opened in the browser instead; only when that fails too is the first failure told.

#include <functional>
#include <string>

namespace frontend {

// The pages' start, below the program's folder.
inline constexpr const char* kHelpPages = "ajuda/index.html";

// `open` opens a file by its full path and answers a result code of shell_messages.h. Returns
// the code whose message the window shows (ShellMessage; none for a success).
int OpenHelp(const std::string& program_folder, const std::function<int(const std::string&)>& open);

}  // namespace frontend
