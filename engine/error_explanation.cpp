#include "engine/error_explanation.h"

#include "engine/number_style.h"
#include "engine/run_inputs.h"
#include "engine/text.h"
#include "tables/dbf_format.h"

namespace engine {
namespace {

// The part a file plays in the run, as the sentence names it.
std::string_view FileRole(const std::string& path, const RunPaths& paths) {
  if (path == paths.risk_path) return "arquivo de riscos";
  if (path == paths.claims_path) return "arquivo de sinistros";
  for (const std::string& file : RunInputFiles(paths.catalogue_folder, {}, {})) {
    if (path == file) return "arquivo do catálogo";
  }
  return "arquivo";
}

std::string Quoted(const std::string& typed) { return '"' + TypedToUtf8(typed) + '"'; }

}  // namespace

std::string FoldersTried(const std::vector<tables::FolderFailure>& folders,
                         const std::string& catalogue_folder) {
  std::string text;
  for (const tables::FolderFailure& f : folders) {
    text += text.empty() ? "na " : " nem na ";
    text += f.folder == catalogue_folder ? "pasta do catálogo " : "pasta temporária ";
    text += Quoted(f.folder);
    if (!f.reason.empty()) text += " (" + TypedToUtf8(f.reason) + ")";
  }
  return text;
}

std::string CauseText(std::string_view explanation) { return "causa: " + std::string(explanation); }

std::string ExplainError(const std::exception& error, const RunPaths& paths) {
  const auto* table_error = dynamic_cast<const tables::TableError*>(&error);
  if (table_error == nullptr) return {};
  const tables::ErrorFacts& facts = table_error->facts();
  if (!facts.folders.empty()) {
    return "o índice temporário não pôde ser criado " +
           FoldersTried(facts.folders, paths.catalogue_folder);
  }
  if (facts.path.empty()) return {};
  const std::string role(FileRole(facts.path, paths));
  const std::string path = TypedToUtf8(facts.path);
  if (facts.record_length > 0) {
    return role + " com registros de " + CountText(facts.record_length) +
           " bytes, acima do limite de " + CountText(tables::dbf::kBufferSize) +
           " bytes por registro: " + path;
  }
  if (facts.changed) return role + " mudou durante a crítica: " + path;
  if (facts.missing) return role + " não encontrado: " + path;
  if (facts.in_use) return role + " em uso por outro programa: " + path;
  std::string text = role + " não pôde ser aberto: " + path;
  if (!facts.reason.empty()) text += " (" + TypedToUtf8(facts.reason) + ")";
  return text;
}

}  // namespace engine
