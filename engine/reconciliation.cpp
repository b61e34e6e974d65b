#include "engine/reconciliation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/coverage_period.h"
#include "engine/number_style.h"
#include "engine/open_reader.h"
#include "engine/record_key.h"
#include "engine/report.h"
#include "engine/text.h"
#include "engine/walk_progress.h"
#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace engine {

namespace {

constexpr std::string_view kTotalsFile = "DadosKov.DBF";
constexpr std::string_view kHeaderLine =
    "Ramo      Valor KOV                Valor Talmero            Diferença (%)";  // UTF-8 here
constexpr std::string_view kDivisionByZero = "div por zero";
constexpr std::size_t kLabelWidth = 10;
constexpr std::size_t kAmountWidth = 25;

constexpr std::size_t kLineCount = 3;
using Sums = std::array<double, kLineCount>;

struct LineOfBusiness {
  std::string_view label;
  std::string_view kov_premiums;
  std::string_view kov_claims;
};
constexpr std::array<LineOfBusiness, kLineCount> kLines = {{
    {"AUTO", "PR_AUTO", "SIN_AUTO"},
    {"RC", "PR_RC", "SIN_RC"},
    {"APP", "PR_APP", "SIN_APP"},
}};

struct PremiumField {
  std::string_view name;
  std::size_t line;
};
// In the order they are added; PRE_CAS_CO is not a premium of any line here.
constexpr std::array<PremiumField, 8> kPremiumFields = {{
    {"PRE_CASCO", 0},
    {"PRE_OUTROS", 0},
    {"PRE_RCDMAT", 1},
    {"PRE_RCDC", 1},
    {"PRE_RCDMOR", 1},
    {"PRE_APP_MA", 2},
    {"PRE_APP_IA", 2},
    {"PRE_APP_DM", 2},
}};

// The line whose sum takes a claim of this EVENTO (one character, exact), or nullopt.
std::optional<std::size_t> EventLine(DateText evento) {
  if (!evento || evento->size() != 1) return std::nullopt;
  switch ((*evento)[0]) {
    case '1':
    case '8':
      return 0;
    case '2':
    case '3':
    case '4':
      return 1;
    case '5':
    case '6':
    case '7':
      return 2;
    default:
      return std::nullopt;
  }
}

// A numeric field summed over a pass, position resolved once and decoded from its raw bytes.
class AmountColumn {
 public:
  AmountColumn(const tables::DbfTable& table, std::string_view name)
      : index_(RequireField(table, name)), field_(table.Fields(index_)) {}

  // nullopt when the field reads as null (blank or malformed), which adds nothing. A field of
  // another type converts its value; a text that is not a number raises the conversion error.
  std::optional<double> Read(const tables::DbfTable& table) const {
    const std::string_view bytes = table.RawField(index_);
    switch (field_.type) {
      case tables::FieldType::kFloat:
        return tables::ParseDbfFloat(bytes);
      case tables::FieldType::kInteger:
        if (const auto v = tables::ParseInt32(bytes)) return static_cast<double>(*v);
        return std::nullopt;
      case tables::FieldType::kLargeint:
        if (const auto v = tables::ParseInt64(bytes)) return static_cast<double>(*v);
        return std::nullopt;
      default: {
        const tables::FieldValue value = tables::DecodeField(field_, bytes);
        if (value.IsNull()) return std::nullopt;
        return value.AsDouble();
      }
    }
  }

 private:
  int index_;
  tables::DbfField field_;
};

// An amount of the totals row; a blank amount reads as 0.
double KovAmount(const tables::DbfTable& kov, std::string_view name) {
  const tables::FieldValue value = kov.GetFieldValue(name);
  return value.IsNull() ? 0.0 : value.AsDouble();
}

Sums KovAmounts(const tables::DbfTable& kov, std::string_view LineOfBusiness::*field) {
  Sums amounts{};
  for (std::size_t i = 0; i < kLineCount; ++i) amounts[i] = KovAmount(kov, kLines[i].*field);
  return amounts;
}

CoveragePeriod ReadPeriod(const tables::DbfTable& kov) {
  return PeriodBounds(kov.GetFieldValue("INIVIG").AsString(),
                      kov.GetFieldValue("FIMVIG").AsString());
}

// Walks the totals file from its first row to the first whose COD_SEG equals the company code
// exactly (stored blanks count). True when found, the table then positioned on that row.
bool FindCompany(tables::DbfTable& kov, const std::string& cod_empresa) {
  TextColumn cod_seg(kov, "COD_SEG");
  for (kov.First(); !kov.Eof(); kov.Next()) {
    const DateText code = cod_seg.Read(kov);
    if (code && *code == cod_empresa) return true;
  }
  return false;
}

std::string CompanyLine(const tables::DbfTable& kov) {
  TextColumn cod_seg(kov, "COD_SEG");
  TextColumn empresa(kov, "EMPRESA");
  std::string line = "Empresa: ";
  line += cod_seg.Read(kov).value_or("");
  line += " - ";
  line += empresa.Read(kov).value_or("");
  return line;
}

// The issue date: DATA_EMIS, or DATA_EMISS in files laid out with the longer name.
int IssueDateField(const tables::DbfTable& riscos) {
  const int index = riscos.FieldIndex("DATA_EMIS");
  if (index >= 0) return index;
  const int fallback = riscos.FieldIndex("DATA_EMISS");
  if (fallback >= 0) return fallback;
  tables::ThrowFieldNotFound(riscos.owner(), "DATA_EMIS");
}

struct PremiumPass {
  std::int64_t inverted = 0;
  Sums sums{};
};

// One pass over the risks file: counts inverted coverage and, when `period` is given, sums the
// premiums of the risks issued in it.
PremiumPass ReadRisks(RunHost& host, tables::DbfTable& riscos, const std::string& path,
                      const CoveragePeriod* period, FindingSink* findings) {
  OpenReader open(riscos, path);
  WalkProgress progress(host, Ansi("conciliação dos riscos"), riscos);
  TextColumn inicio_vig(riscos, "INICIO_VIG");
  TextColumn fim_vig(riscos, "FIM_VIG");
  TextColumn data_emis(riscos, IssueDateField(riscos));
  std::vector<std::pair<AmountColumn, std::size_t>> premiums;
  premiums.reserve(kPremiumFields.size());
  for (const PremiumField& p : kPremiumFields)
    premiums.emplace_back(AmountColumn(riscos, p.name), p.line);

  const RecordKeyColumns keys(riscos);
  PremiumPass pass;
  for (riscos.First(); !riscos.Eof(); riscos.Next()) {
    progress.Step();
    const DateText inicio = inicio_vig.Read(riscos);
    if (!RiskIsDated(inicio)) continue;
    const DateText fim = fim_vig.Read(riscos);
    if (CoverageInverted(inicio, fim)) {
      ++pass.inverted;
      if (findings != nullptr)
        findings->CoverageInverted(riscos.RecNo(), keys.Read(riscos), *inicio, fim.value_or(""));
    }
    if (period == nullptr || !RiskInPeriod(data_emis.Read(riscos), *period)) continue;
    for (const auto& [column, line] : premiums) {
      if (const auto amount = column.Read(riscos)) pass.sums[line] += *amount;
    }
  }
  progress.Done();
  return pass;
}

Sums ReadClaims(RunHost& host, tables::DbfTable& sinistros, const std::string& path,
                const CoveragePeriod& period) {
  OpenReader open(sinistros, path);
  WalkProgress progress(host, Ansi("conciliação dos sinistros"), sinistros);
  TextColumn d_avi(sinistros, "D_AVI");
  TextColumn evento(sinistros, "EVENTO");
  AmountColumn indeniz(sinistros, "INDENIZ");

  Sums sums{};
  for (sinistros.First(); !sinistros.Eof(); sinistros.Next()) {
    progress.Step();
    if (!ClaimInPeriod(d_avi.Read(sinistros), period)) continue;
    const std::optional<std::size_t> line = EventLine(evento.Read(sinistros));
    if (!line) continue;
    if (const auto amount = indeniz.Read(sinistros)) sums[*line] += *amount;
  }
  progress.Done();
  return sums;
}

std::string ComparisonRow(std::string_view label, double kov, double sum,
                          const Regional& regional) {
  std::string row;
  AppendPadded(row, label, kLabelWidth);
  AppendPadded(row, FormatNumber(kov, 0, regional), kAmountWidth);
  AppendPadded(row, FormatNumber(sum, 0, regional), kAmountWidth);
  if (sum == 0.0) {
    row += kDivisionByZero;
  } else {
    row += FormatNumber((kov - sum) / sum * 100.0, 2, regional);
  }
  return row;
}

void WriteComparison(RunContext& ctx, const std::string& title, const Sums& kov, const Sums& sums) {
  RunHost& host = ctx.host;
  const Regional& regional = ctx.regional;
  ReconciliationSection& section = ctx.state.result.conciliacao.emplace_back();
  section.titulo = title;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    ReconciliationRow& row = section.rows.emplace_back();
    row.ramo = kLines[i].label;
    row.valor_kov = kov[i];
    row.valor_arquivo = sums[i];
    if (sums[i] != 0.0) row.diferenca = (kov[i] - sums[i]) / sums[i] * 100.0;
  }
  host.AppendLine(kRuleLine);
  host.AppendLine("");
  host.AppendLine(title);
  host.AppendLine(Ansi(kHeaderLine));
  host.AppendLine("");
  for (std::size_t i = 0; i < kLineCount; ++i) {
    host.AppendLine(ComparisonRow(kLines[i].label, kov[i], sums[i], regional));
  }
  host.AppendLine("");
}

}  // namespace

void Reconcile(RunContext& ctx) {
  tables::DbfTable& kov = ctx.tables.tbDadosKov;
  OpenReader open_kov(kov, ctx.program_folder + std::string(kTotalsFile));

  const bool with_risks = !Trimmed(ctx.risk_path).empty();
  const bool with_claims = !Trimmed(ctx.claims_path).empty();

  if (!FindCompany(kov, ctx.state.codEmpresa)) {
    // No totals to compare with: say so on the company line and write no comparison table
    // rather than compare against another insurer's row. The inverted coverage is a finding
    // of the risks file alone and is still reported.
    ctx.host.ReplaceLine(
        2, "Empresa: " + ctx.state.codEmpresa + Ansi(" - não encontrada em DadosKov.DBF"));
    ctx.state.result.empresa_sem_kov = true;
    if (with_risks) {
      const PremiumPass pass =
          ReadRisks(ctx.host, ctx.tables.tbRiscos, ctx.risk_path, nullptr, ctx.findings);
      ctx.state.result.vigencia_invertida = pass.inverted;
      if (pass.inverted > 0) {
        ctx.host.AppendLine(kRuleLine);
        ctx.host.AppendLine("");
        WriteInvertedCoverageBlock(ctx.host, pass.inverted);
      }
    }
    return;
  }

  ctx.host.ReplaceLine(2, CompanyLine(kov));
  ctx.state.result.empresa_nome =
      std::string(TrimmedRight(TextColumn(kov, "EMPRESA").Read(kov).value_or("")));

  if (with_risks) {
    const CoveragePeriod period = ReadPeriod(kov);
    const Sums declared = KovAmounts(kov, &LineOfBusiness::kov_premiums);
    const PremiumPass pass =
        ReadRisks(ctx.host, ctx.tables.tbRiscos, ctx.risk_path, &period, ctx.findings);
    ctx.state.result.vigencia_invertida = pass.inverted;
    WriteComparison(ctx, Ansi("Teste de Prêmios Emitidos:"), declared, pass.sums);
    WriteInvertedCoverageBlock(ctx.host, pass.inverted);
  }

  if (with_claims) {
    const CoveragePeriod period = ReadPeriod(kov);
    const Sums declared = KovAmounts(kov, &LineOfBusiness::kov_claims);
    const Sums sums = ReadClaims(ctx.host, ctx.tables.tbSinistros, ctx.claims_path, period);
    WriteComparison(ctx, "Teste de Sinistros Pagos:", declared, sums);
  }
}

}  // namespace engine
