#include "resumo/summary_row.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "cmdline/verdict_line.h"
#include "engine/error_explanation.h"
#include "engine/text.h"
#include "platform/system_path.h"

namespace resumo {
namespace {

using json = nlohmann::json;

// A document that is JSON but not a run's result; what() names the key that is wrong.
class Foreign : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A count beyond what a run can hold (past 2^63 - 1, alone or summed); what() names its key.
class OutOfRange : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

const json& Member(const json& object, const char* key, json::value_t type, const char* where) {
  const auto it = object.find(key);
  if (it == object.end() || it->type() != type) throw Foreign(std::string(where) + key);
  return *it;
}

// A text member; null or absent is empty.
std::string Text(const json& object, const char* key, const char* where) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return {};
  if (!it->is_string()) throw Foreign(std::string(where) + key);
  return it->get<std::string>();
}

// A count member as digits; null or absent is empty.
std::string Count(const json& object, const char* key, const char* where) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return {};
  if (!it->is_number_integer()) throw Foreign(std::string(where) + key);
  return it->dump();
}

std::int64_t Integer(const json& object, const char* key, const char* where) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer()) throw Foreign(std::string(where) + key);
  if (it->is_number_unsigned() &&
      it->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
    throw OutOfRange(std::string(where) + key);
  }
  return it->get<std::int64_t>();
}

// The fields with failures, as the result's tables give them.
std::vector<FieldTally> FieldTallies(const json& tabelas) {
  std::vector<FieldTally> fields;
  for (const json& t : tabelas) {
    if (!t.is_object()) throw Foreign("tabelas[]");
    const std::int64_t tabela = Integer(t, "tabela", "tabelas[].");
    const std::string nome = Text(t, "nome", "tabelas[].");
    for (const json& c : Member(t, "campos", json::value_t::array, "tabelas[].")) {
      if (!c.is_object()) throw Foreign("tabelas[].campos[]");
      const char* where = "tabelas[].campos[].";
      std::int64_t failures = 0;
      if (__builtin_add_overflow(Integer(c, "erro_nulo", where), Integer(c, "erro_dom", where),
                                 &failures)) {
        throw OutOfRange(std::string(where) + "erro_nulo + erro_dom");
      }
      if (failures == 0) continue;
      fields.push_back(
          {failures, tabela, Integer(c, "ordem", where), nome + "." + Text(c, "campo", where)});
    }
  }
  return fields;
}

// "RISCOS.V 5, RISCOS.Y 3".
std::string MostFailedText(const std::vector<FieldFailureCount>& fields) {
  std::string text;
  for (const FieldFailureCount& f : fields) {
    if (!text.empty()) text += ", ";
    text += f.name + " " + std::to_string(f.failures);
  }
  return text;
}

// The message that ended the run, and the sentence that explains it when the result has one.
std::string ErrorMessage(const json& doc, const json& motivos) {
  std::string message = Text(doc, "erro", "");
  if (message.empty() && !motivos.empty())
    message = Text(motivos[0], "texto", "veredito.motivos[].");
  const std::string explanation = Text(doc, "explicacao", "");
  if (!explanation.empty())
    message += (message.empty() ? "" : " ") + engine::CauseText(explanation);
  return message;
}

SummaryRow Unreadable(const std::string& json_path, const std::string& reason) {
  SummaryRow row;
  row.legivel = false;
  row.cells[kResultadoJson] = engine::TypedToUtf8(json_path);
  row.cells[kResultado] = kIlegivel;
  row.cells[kMotivos] = reason;
  return row;
}

SummaryRow FromDocument(const std::string& json_path, const json& doc) {
  if (!doc.is_object()) throw Foreign("o documento");
  const json& veredito = Member(doc, "veredito", json::value_t::object, "");
  const std::string resultado = Text(veredito, "resultado", "veredito.");
  if (resultado != "aceitavel" && resultado != "rejeitado" && resultado != "erro") {
    throw Foreign("veredito.resultado");
  }
  const json& entradas = Member(doc, "entradas", json::value_t::object, "");
  SummaryRow row;
  auto& cells = row.cells;
  cells[kResultadoJson] = engine::TypedToUtf8(json_path);
  if (const auto empresa = doc.find("empresa"); empresa != doc.end() && !empresa->is_null()) {
    if (!empresa->is_object()) throw Foreign("empresa");
    cells[kCodSeg] = Text(*empresa, "codigo", "empresa.");
    cells[kEmpresa] = Text(*empresa, "nome", "empresa.");
  }
  cells[kRiscos] = Text(entradas, "riscos", "entradas.");
  cells[kSinistros] = Text(entradas, "sinistros", "entradas.");
  cells[kResultado] = resultado;
  const json& motivos = Member(veredito, "motivos", json::value_t::array, "veredito.");
  std::vector<std::string> codes;
  for (const json& motivo : motivos) {
    if (!motivo.is_object()) throw Foreign("veredito.motivos[]");
    codes.push_back(Text(motivo, "tipo", "veredito.motivos[]."));
  }
  // An error's only reason is "erro"; what a reader needs is its message.
  cells[kMotivos] = resultado == "erro" ? ErrorMessage(doc, motivos) : cmdline::CountedCodes(codes);
  // com_avisos is absent in a result written before the amber state was told: the warnings say it.
  std::size_t avisos = 0;
  if (const auto a = veredito.find("avisos"); a != veredito.end() && !a->is_null()) {
    if (!a->is_array()) throw Foreign("veredito.avisos");
    avisos = a->size();
    cells[kAvisos] = std::to_string(avisos);
  }
  if (const auto c = veredito.find("com_avisos"); c != veredito.end() && !c->is_null()) {
    if (!c->is_boolean()) throw Foreign("veredito.com_avisos");
    row.com_avisos = c->get<bool>() && resultado == "aceitavel";
  } else {
    row.com_avisos = resultado == "aceitavel" && avisos > 0;
  }
  const json& tabelas = Member(doc, "tabelas", json::value_t::array, "");
  for (const json& t : tabelas) {
    if (!t.is_object()) throw Foreign("tabelas[]");
    const std::int64_t tabela = Integer(t, "tabela", "tabelas[].");
    if (tabela == 1) cells[kRegistrosRiscos] = Count(t, "registros", "tabelas[].");
    if (tabela == 2) cells[kRegistrosSinistros] = Count(t, "registros", "tabelas[].");
  }
  if (const auto s = doc.find("sinistros_sem_apolice"); s != doc.end() && !s->is_null()) {
    if (!s->is_object()) throw Foreign("sinistros_sem_apolice");
    cells[kSemApolice] = Count(*s, "quantidade", "sinistros_sem_apolice.");
  }
  cells[kVigenciaInvertida] = Count(doc, "vigencia_invertida", "");
  SetMostFailed(FieldTallies(tabelas), &row);
  return row;
}

}  // namespace

void SetMostFailed(std::vector<FieldTally> fields, SummaryRow* row) {
  std::stable_sort(fields.begin(), fields.end(), [](const auto& a, const auto& b) {
    if (a.failures != b.failures) return a.failures > b.failures;
    if (a.tabela != b.tabela) return a.tabela < b.tabela;
    return a.ordem < b.ordem;
  });
  row->most_failed.clear();
  for (std::size_t i = 0; i < std::min(fields.size(), kMostFailedFields); ++i) {
    row->most_failed.push_back({fields[i].name, fields[i].failures});
  }
  row->cells[kCamposMaisFalhos] = MostFailedText(row->most_failed);
}

std::size_t ColumnCount(SummarySource source) {
  return source == SummarySource::kHistory ? kSummaryColumns : kJsonColumns;
}

const std::array<std::string_view, kSummaryColumns>& SummaryColumnNames() {
  static constexpr std::array<std::string_view, kSummaryColumns> kNames = {"resultado_json",
                                                                           "cod_seg",
                                                                           "empresa",
                                                                           "riscos",
                                                                           "sinistros",
                                                                           "resultado",
                                                                           "motivos",
                                                                           "registros_riscos",
                                                                           "registros_sinistros",
                                                                           "sem_apolice",
                                                                           "vigencia_invertida",
                                                                           "campos_mais_falhos",
                                                                           "avisos",
                                                                           "id",
                                                                           "inicio",
                                                                           "historico"};
  return kNames;
}

const std::array<std::string_view, kSummaryColumns>& SummaryColumnTitles() {
  static constexpr std::array<std::string_view, kSummaryColumns> kTitles = {
      "Resultado (JSON)",
      "Código da empresa",
      "Empresa",
      "Arquivo de riscos",
      "Arquivo de sinistros",
      "Veredito",
      "Motivos",
      "Registros de riscos",
      "Registros de sinistros",
      "Sinistros sem apólice",
      "Vigências invertidas",
      "Campos com mais falhas",
      "Avisos",
      "Nº no histórico",
      "Início",
      "Histórico"};
  return kTitles;
}

bool IsCountColumn(std::size_t c) {
  return (c >= kRegistrosRiscos && c <= kVigenciaInvertida) || c == kAvisos;
}

RowState StateOf(const SummaryRow& row) {
  const std::string& resultado = row.resultado();
  if (!row.legivel || resultado == kIlegivel) {
    return {std::string(kIlegivel), "Ilegível", engine::VerdictColour::kGrey};
  }
  engine::VerdictOutcome outcome = engine::VerdictOutcome::kErro;
  if (resultado == "aceitavel") outcome = engine::VerdictOutcome::kAceitavel;
  if (resultado == "rejeitado") outcome = engine::VerdictOutcome::kRejeitado;
  const engine::VerdictStyle style = engine::StyleOf(outcome, row.com_avisos);
  std::string key = resultado;
  if (outcome == engine::VerdictOutcome::kAceitavel && row.com_avisos) key += "_com_avisos";
  return {key, engine::Win1252ToUtf8(style.title), style.colour};
}

SummaryRow SummaryRowOf(const std::string& json_path, std::string_view text) {
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::parse_error& e) {
    return Unreadable(json_path, "não é JSON válido (byte " + std::to_string(e.byte) + ")");
  } catch (const json::out_of_range&) {
    // A number past what a double holds (1e400).
    return Unreadable(json_path, "não é JSON válido (número fora do intervalo)");
  }
  try {
    return FromDocument(json_path, doc);
  } catch (const Foreign& e) {
    return Unreadable(json_path, std::string("não é um resultado do talmero-criticar (") +
                                     e.what() + " ausente ou inesperado)");
  } catch (const OutOfRange& e) {
    return Unreadable(json_path, std::string("não é um resultado do talmero-criticar (") +
                                     e.what() + " fora do intervalo)");
  }
}

SummaryRow ReadSummaryRow(const std::string& json_path) {
  // What is not a plain file is refused before it is opened: a FIFO nobody writes would block,
  // a device (/dev/zero) never ends.
  std::error_code error;
  const std::filesystem::file_status status =
      std::filesystem::status(platform::FileSystemPath(json_path), error);
  if (status.type() == std::filesystem::file_type::directory) {
    return Unreadable(json_path, "é uma pasta");
  }
  if (!error && status.type() != std::filesystem::file_type::regular) {
    return Unreadable(json_path, "não é um arquivo comum (é um dispositivo, um pipe ou um socket)");
  }
  const std::string too_large = "tem mais de " + std::to_string(kMaxResultBytes >> 20) +
                                " MiB, mais do que um resultado da crítica";
  const std::uintmax_t size =
      std::filesystem::file_size(platform::FileSystemPath(json_path), error);
  if (!error && size > kMaxResultBytes) return Unreadable(json_path, too_large);
  std::ifstream in(platform::FileSystemPath(json_path), std::ios::binary);
  if (!in.is_open()) return Unreadable(json_path, "não foi possível abrir o arquivo");
  // Read in blocks, never past the bound: the file may grow while it is read.
  std::string bytes;
  std::array<char, 1 << 16> block;
  while (in.read(block.data(), block.size()) || in.gcount() > 0) {
    bytes.append(block.data(), static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxResultBytes) return Unreadable(json_path, too_large);
  }
  return SummaryRowOf(json_path, bytes);
}

}  // namespace resumo
