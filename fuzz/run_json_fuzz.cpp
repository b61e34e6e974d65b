// The run's JSON result: whatever bytes the files and the paths hold (Windows-1252 texts of the
// engine, path texts as typed, an error message), the document must parse as JSON in valid
// UTF-8 and give the company code back as its UTF-8 form.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text.h"
#include "outputs/run_json.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}
  // The next text, up to a 0xFF byte.
  std::string Text() {
    const std::size_t at = rest_.find('\xFF');
    std::string text(rest_.substr(0, at));
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return text;
  }
  double Number() {
    double d = 0;
    const std::size_t n = std::min(sizeof d, rest_.size());
    std::memcpy(&d, rest_.data(), n);
    rest_.remove_prefix(n);
    return d;
  }
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  outputs::RunJsonInputs inputs;
  inputs.riscos = in.Text();
  inputs.sinistros = in.Text();
  inputs.catalogo = in.Text();
  inputs.regional = "pt_BR";
  engine::RunState state;
  state.codEmpresa = in.Text();
  state.result.company_name = in.Text();
  engine::TableResult& table = state.result.tables.emplace_back();
  table.numTabela = 1;
  table.nomeTabela = in.Text();
  table.path = inputs.riscos;
  table.fields.push_back({in.Text(), 1, 2, 3});
  engine::ReconciliationSection& section = state.result.reconciliation.emplace_back();
  section.title = in.Text();
  section.rows.push_back({in.Text(), in.Number(), in.Number(), in.Number()});
  const std::string error = in.Text();

  const engine::Verdict verdict = engine::ComputeVerdict(state.result, error, {});
  const std::string text =
      outputs::RunJson(inputs, state, verdict, error, platform::LocalDateTime{});
  const nlohmann::json doc = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded()) __builtin_trap();  // not JSON, or not valid UTF-8
  if (doc["empresa"]["codigo"] != engine::Win1252ToUtf8(state.codEmpresa)) __builtin_trap();
  return 0;
}
