#include "cmdline/last_resort.h"

#include <exception>
#include <new>

#include "cmdline/exit_status.h"

namespace cmdline {

int RunToTheEnd(std::string_view program, std::ostream& err,
                const std::function<int()>& program_body) {
  try {
    return program_body();
  } catch (const std::bad_alloc&) {
    err << program << ": memória insuficiente\n";
  } catch (const std::exception& e) {
    err << program << ": " << e.what() << '\n';
  }
  return kExitRunError;
}

}  // namespace cmdline
