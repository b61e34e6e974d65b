#include "frontend/catalogue_folder.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "frontend/message_text.h"
#include "platform/file_identity.h"
#include "platform/system_path.h"

namespace frontend {
namespace {

constexpr const char* kFiles[] = {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"};

std::optional<std::string> Bytes(const std::string& path) {
  std::ifstream in(platform::FileSystemPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string CheckCatalogueFolder(const std::string& folder) {
  for (const char* name : kFiles) {
    // By the system's own look-up, so a name is found as the run finds it.
    if (!platform::IdentityOf(folder + name)) {
      return "A pasta " + DecodeMessage(folder) + " não tem o arquivo " + name + ".";
    }
  }
  return {};
}

std::string CatalogueTooltip(const std::string& chosen, const std::string& program_folder) {
  if (chosen.empty() || platform::SameFile(chosen, program_folder)) {
    return "Catálogo e DadosKov.DBF da pasta do programa: " + DecodeMessage(program_folder);
  }
  std::string tip = "Catálogo e DadosKov.DBF da pasta " + DecodeMessage(chosen);
  for (const char* name : {"tabelas.dbf", "anexos.dbf"}) {
    if (Bytes(chosen + name) != Bytes(program_folder + name)) {
      tip += std::string("\n") + name + " difere do da pasta do programa";
    }
  }
  return tip;
}

}  // namespace frontend
