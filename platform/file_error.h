#pragma once
// The one text of an output file that could not be made or written, as every program of the
// system words it (the window's save, the command-line outputs): "Cannot create file "PATH".
// REASON" and "Cannot write file "PATH". REASON". These words are the system's own and stay in
// English; REASON is the system's text for the cause, or the program's own when there is none.

#include <string>
#include <string_view>

namespace platform {

enum class FileStep { kCreate, kWrite };

// Without a reason the text ends at the period after the path.
std::string FileErrorText(FileStep step, std::string_view path, std::string_view reason);

}  // namespace platform
