#include "platform/file_error.h"

namespace platform {

std::string FileErrorText(FileStep step, std::string_view path, std::string_view reason) {
  std::string text = step == FileStep::kCreate ? "Cannot create file \"" : "Cannot write file \"";
  text += path;
  text += "\".";
  if (!reason.empty()) {
    text += ' ';
    text += reason;
  }
  return text;
}

}  // namespace platform
