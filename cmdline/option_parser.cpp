#include "cmdline/option_parser.h"

namespace cmdline {
namespace {

// The option named in a CLI11 message "NAME: ..." (the message's head up to the colon).
std::string OptionOf(const std::string& message) { return message.substr(0, message.find(':')); }

}  // namespace

void PrepareApp(CLI::App& app) {
  app.set_help_flag();
  app.allow_extras();
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

bool ParseApp(CLI::App& app, const std::vector<std::string>& args, std::vector<std::string>* rest,
              std::string* error) {
  // CLI11 reads the list back to front.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    *error = "falta o valor de " + OptionOf(e.what());
    return false;
  } catch (const CLI::ParseError& e) {
    *error = "uso incorreto: " + OptionOf(e.what());
    return false;
  }
  *rest = app.remaining();
  return true;
}

std::string UsageErrorText(const std::string& program, const std::string& error) {
  return program + ": " + error + "\nuse --help para ver as opções\n";
}

}  // namespace cmdline
