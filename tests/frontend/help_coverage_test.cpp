// Every option of the runner and of the window, every action of the log's menu and every control
// of the findings panel is named somewhere in the help pages, so none ships undocumented.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/run_cli.h"
#include "frontend/catalogue_folder.h"
#include "frontend/panel_texts.h"
#include "frontend/window_options.h"
#include "frontend/window_texts.h"
#include "support/file_bytes.h"

namespace {

// The pages as a reader sees them: the entities of the accented letters written out in UTF-8,
// every run of blanks and line ends one space.
// The help pages' sources.
std::filesystem::path HelpFolder() {
  return std::filesystem::path(TALMERO_TEST_DATA) / ".." / ".." / "docs" / "ajuda";
}

std::string HelpText() {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&aacute;", "á"}, {"&agrave;", "à"}, {"&acirc;", "â"},  {"&atilde;", "ã"}, {"&eacute;", "é"},
      {"&ecirc;", "ê"},  {"&iacute;", "í"}, {"&oacute;", "ó"}, {"&ocirc;", "ô"},  {"&otilde;", "õ"},
      {"&uacute;", "ú"}, {"&ccedil;", "ç"}, {"&Aacute;", "Á"}, {"&Eacute;", "É"}, {"&Oacute;", "Ó"},
      {"&Ccedil;", "Ç"}, {"&amp;", "&"},    {"&nbsp;", " "},   {"&lt;", "<"},     {"&gt;", ">"}};
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(HelpFolder())) {
    if (entry.path().extension() != ".html") continue;
    text += testing_support::ReadBytes(entry.path());
    text += ' ';
  }
  for (const auto& [entity, letter] : kEntities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1)) {
      text.replace(at, std::char_traits<char>::length(entity), letter);
    }
  }
  return std::regex_replace(text, std::regex("\\s+"), " ");
}

// A control's caption as the help names it: without its access key's "&" and its "...".
std::string Caption(std::string text) {
  std::erase(text, '&');
  if (text.ends_with("...")) text.resize(text.size() - 3);
  return text;
}

// The options a usage text lists, one "--name" at the start of its lines.
std::set<std::string> Options(const std::string& usage) {
  std::set<std::string> options;
  const std::regex option("\\n  (--[a-z][a-z0-9-]*)");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
       it != std::sregex_iterator(); ++it) {
    options.insert((*it)[1]);
  }
  return options;
}

TEST(HelpCoverageTest, EveryOptionActionAndPanelControlIsNamed) {
  if (!std::filesystem::is_directory(HelpFolder())) GTEST_SKIP() << "no help sources here";
  const std::string help = HelpText();

  std::ostringstream out;
  std::ostringstream err;
  cli::RunCli({"--help"}, out, err);
  std::set<std::string> options = Options(out.str());
  ASSERT_GT(options.size(), 10u) << out.str();
  const std::set<std::string> window =
      Options(frontend::ParseWindowOptions("talmero-prx", {"--help"}).text);
  ASSERT_GT(window.size(), 3u);
  options.insert(window.begin(), window.end());
  options.erase("--help");
  for (const std::string& name : options) {
    EXPECT_NE(help.find(name), std::string::npos) << name << " is named in no help page";
  }

  const std::vector<std::string> captions = {
      Caption(frontend::kSaveFailureList), Caption(frontend::kFindingsPanel),
      Caption(frontend::kChooseCatalogue), Caption(frontend::kProgramCatalogue),
      Caption(frontend::kPanelSave), Caption(frontend::kRunHistoryAction),
      Caption(frontend::kDeleteHistory), Caption(frontend::kPanelOnlyNew),
      // The panel's filters and search, as both windows caption them.
      "Arquivo", "Campo", "Verificação", "Apólice"};
  for (const std::string& caption : captions) {
    EXPECT_NE(help.find(caption), std::string::npos) << caption << " is named in no help page";
  }
}

}  // namespace
