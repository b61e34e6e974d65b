#include "frontend/help_open.h"

#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"

namespace frontend {

int OpenHelp(const std::string& program_folder,
             const std::function<int(const std::string&)>& open) {
  const int chm = open(program_folder + kHelpFile);
  // A missing help file is told as it is; only a missing viewer sends the user to the pages.
  if (chm == kShellNoAssociation && open(program_folder + kHelpPages) > 32) return kShellOpened;
  return chm;
}

}  // namespace frontend
