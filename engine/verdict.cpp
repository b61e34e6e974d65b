#include "engine/verdict.h"

#include <cmath>

#include "engine/number_style.h"
#include "engine/regional.h"
#include "engine/rule_catalog.h"
#include "engine/run_warnings.h"
#include "engine/text.h"

namespace engine {
namespace {

__extension__ typedef __int128 Wide;  // count x 100 x kScale does not fit 64 bits

// A figure for a sentence: two decimals in the Brazilian style.
std::string Figure(double value) { return FormatNumber(value, 2, Regional::PtBr()); }

// The limit as typed: two decimals, more when it has them ("2,50%", "0,125%").
std::string LimitText(const Percent& limit) {
  int decimals = 9;
  for (std::int64_t s = limit.scaled; decimals > 2 && s % 10 == 0; s /= 10) --decimals;
  return FormatNumber(limit.value(), decimals, Regional::PtBr()) + "%";
}

// A share or difference beyond its limit, never printed equal to or below it (that reads as a
// contradiction): the fewest decimals, from 2 to 6, whose rounding stays above the limit; when
// even six decimals round onto it, six rounded up.
std::string FigureAbove(long double value, const Percent& limit) {
  const long double magnitude = std::fabs(value);
  if (magnitude >= 1e10L) return Figure(static_cast<double>(value));  // limits stay below 10^9
  long double shown = 0;
  int decimals = 2;
  for (std::int64_t unit = 100; decimals <= 6; ++decimals, unit *= 10) {
    const auto rounded =
        static_cast<std::int64_t>(std::round(magnitude * static_cast<long double>(unit)));
    if (static_cast<Wide>(rounded) * (Percent::kScale / unit) > limit.scaled) {
      shown = static_cast<long double>(rounded) / static_cast<long double>(unit);
      break;
    }
  }
  if (decimals > 6) {
    decimals = 6;
    shown = std::ceil(magnitude * 1'000'000) / 1'000'000;
  }
  return FormatNumber(static_cast<double>(value < 0 ? -shown : shown), decimals, Regional::PtBr());
}

// count x 100 / total above the limit, exactly.
bool Above(std::int64_t count, std::int64_t total, const Percent& limit) {
  return static_cast<Wide>(count) * 100 * Percent::kScale >
         static_cast<Wide>(limit.scaled) * static_cast<Wide>(total);
}

double Share(std::int64_t count, std::int64_t total) {
  return static_cast<double>(count) * 100.0 / static_cast<double>(total);
}

// The share beside a limit it is above: from the exact quotient, not the double.
std::string ShareAbove(std::int64_t count, std::int64_t total, const Percent& limit) {
  return FigureAbove(static_cast<long double>(count) * 100 / static_cast<long double>(total),
                     limit);
}

// "13.971 riscos contados como vigência invertida: 4.845 terminam antes de começar, 3.231 sem
// data de fim, 5.895 com data de fim inválida."; a kind none counts is left out.
std::string InvertedCoverageText(std::int64_t inverted, const InvertedCoverageKinds& kinds) {
  std::string text = CountText(inverted) + (inverted == 1 ? " risco contado" : " riscos contados") +
                     Ansi(" como vigência invertida");
  std::string parts;
  const auto part = [&](std::int64_t n, std::string_view words) {
    if (n <= 0) return;
    parts += (parts.empty() ? ": " : ", ") + CountText(n) + " " + Ansi(words);
  };
  part(kinds.ends_before_start,
       kinds.ends_before_start == 1 ? "termina antes de começar" : "terminam antes de começar");
  part(kinds.without_end, "sem data de fim");
  part(kinds.invalid_end, "com data de fim inválida");
  return text + parts + ".";
}

class Builder {
 public:
  explicit Builder(Verdict& verdict) : verdict_(verdict) {}

  VerdictItem& Reason(std::string tipo, std::string texto) {
    return Add(verdict_.motivos, std::move(tipo), std::move(texto));
  }
  VerdictItem& Warning(std::string tipo, std::string texto) {
    return Add(verdict_.avisos, std::move(tipo), std::move(texto));
  }

 private:
  static VerdictItem& Add(std::vector<VerdictItem>& list, std::string tipo, std::string texto) {
    VerdictItem& item = list.emplace_back();
    item.tipo = std::move(tipo);
    item.texto = std::move(texto);
    return item;
  }
  Verdict& verdict_;
};

void TableReasons(const TableResult& t, Builder& b) {
  const std::string tabela = Ansi("O arquivo da tabela ") + t.nomeTabela;
  if (t.outcome == TableOutcome::kStructureFailed) {
    b.Reason("estrutura", tabela + Ansi(" não tem a estrutura que o catálogo descreve.")).tabela =
        t.numTabela;
  } else if (t.outcome == TableOutcome::kCompanyFailed) {
    b.Reason("mais_de_uma_empresa", tabela + Ansi(" tem mais de uma empresa.")).tabela =
        t.numTabela;
  } else if (t.outcome == TableOutcome::kRead && t.records == 0) {
    b.Reason("arquivo_sem_registros", tabela + Ansi(" não tem registros.")).tabela = t.numTabela;
  }
}

// A count that differs is a reason: records are missing, or more are there than announced.
// Stray bytes and a short header length are warnings: every announced record is there.
void HeaderItems(const HeaderFinding& h, Builder& b) {
  const std::string arquivo = "arquivo de " + std::string(FindingFileName(h.file));
  if (h.CountDiffers()) {
    b.Reason("cabecalho",
             Ansi("O cabeçalho do ") + arquivo + Ansi(" anuncia ") + CountText(h.header_records) +
                 Ansi(" registros, mas o arquivo contém ") + CountText(h.file_records) + ".")
        .valor = static_cast<double>(h.header_records);
  }
  if (h.trailing_bytes > 0) {
    b.Warning("bytes_finais", "O " + arquivo + " tem " + CountText(h.trailing_bytes) +
                                  Ansi(" bytes depois do último registro."))
        .valor = static_cast<double>(h.trailing_bytes);
  }
  if (h.HeaderShort()) {
    const std::string length = CountText(h.header_length);
    b.Warning("cabecalho_curto",
              Ansi("O cabeçalho do ") + arquivo + " declara " + length +
                  Ansi(" bytes, menos que os ") + CountText(h.descriptors_end) +
                  Ansi(" da descrição dos campos; os registros foram lidos logo após esses ") +
                  length + " bytes.")
        .valor = static_cast<double>(h.header_length);
  }
}

// The totals file's row used and its amounts are told, never a reason: the figures stand.
void TotalsItems(const RunResult& r, Builder& b) {
  const std::string in_totals = Ansi("Em DadosKov.DBF, ");
  if (r.kov_repeated_company) {
    b.Warning("empresa_repetida_kov",
              in_totals + RepeatedCompanyWarning(*r.kov_repeated_company) + ".");
  }
  for (const UnreadableAmount& amount : r.kov_unreadable_amounts) {
    b.Warning("valor_kov_invalido", in_totals + UnreadableAmountWarning(amount) + ".").campo =
        amount.field;
  }
}

void FieldCounterItems(const TableResult& t, const VerdictLimits& limits, Builder& b) {
  if (t.records <= 0) return;
  for (const FieldCounters& c : t.fields) {
    const std::pair<std::int64_t, std::string_view> counters[] = {{c.erroNulo, "ErroNulo"},
                                                                  {c.erroDom, "ErroDom"}};
    for (const auto& [count, name] : counters) {
      if (count == 0) continue;
      const double share = Share(count, t.records);
      const bool reason = limits.falhas && Above(count, t.records, *limits.falhas);
      std::string texto = Ansi("O campo ") + c.field + Ansi(" da tabela ") + t.nomeTabela +
                          " tem " + CountText(count) + " em " + std::string(name) + " (" +
                          (reason ? ShareAbove(count, t.records, *limits.falhas) : Figure(share)) +
                          "% de " + CountText(t.records) + " registros)";
      if (reason) texto += Ansi(", acima do limite de ") + LimitText(*limits.falhas);
      texto += '.';
      VerdictItem& item = reason ? b.Reason("falhas_campo", std::move(texto))
                                 : b.Warning("falhas_campo", std::move(texto));
      item.tabela = t.numTabela;
      item.campo = c.field;
      item.valor = share;
      if (limits.falhas) item.limite = limits.falhas->value();
    }
  }
}

void ClaimsWithoutPolicyItem(const ClaimsWithoutPolicyResult& s, const VerdictLimits& limits,
                             Builder& b) {
  if (s.without_policy == 0 || s.claims <= 0) return;
  const double share = Share(s.without_policy, s.claims);
  const bool reason = limits.sem_apolice && Above(s.without_policy, s.claims, *limits.sem_apolice);
  std::string texto =
      CountText(s.without_policy) + Ansi(" de ") + CountText(s.claims) + Ansi(" sinistros (") +
      (reason ? ShareAbove(s.without_policy, s.claims, *limits.sem_apolice) : Figure(share)) +
      Ansi("%) não têm apólice no arquivo de riscos");
  if (reason) texto += Ansi(", acima do limite de ") + LimitText(*limits.sem_apolice);
  texto += '.';
  VerdictItem& item = reason ? b.Reason("sem_apolice", std::move(texto))
                             : b.Warning("sem_apolice", std::move(texto));
  item.valor = share;
  if (limits.sem_apolice) item.limite = limits.sem_apolice->value();
}

void ReconciliationItems(const ReconciliationSection& s, const VerdictLimits& limits, Builder& b) {
  for (const ReconciliationRow& r : s.rows) {
    if (!ReconciliationOutside(r, std::nullopt)) continue;
    const bool outside = ReconciliationOutside(r, limits.tolerancia);
    const bool reason = limits.tolerancia && outside;
    std::string texto = std::string(Trimmed(s.title)) + " " + std::string(Trimmed(r.ramo)) + ": ";
    if (r.difference) {
      texto += Ansi("diferença de ") +
               (reason ? FigureAbove(*r.difference, *limits.tolerancia) : Figure(*r.difference)) +
               Ansi("% entre DadosKov (") + Figure(r.kov_value) + ") e o arquivo (" +
               Figure(r.file_value) + ")";
    } else {
      texto += Ansi("DadosKov traz ") + Figure(r.kov_value) + Ansi(" e o arquivo soma 0");
    }
    if (reason) texto += Ansi(", fora da tolerância de ±") + LimitText(*limits.tolerancia);
    texto += '.';
    VerdictItem& item = reason ? b.Reason("conciliacao", std::move(texto))
                               : b.Warning("conciliacao", std::move(texto));
    item.campo = std::string(Trimmed(r.ramo));
    if (r.difference) item.valor = *r.difference;
    if (limits.tolerancia) item.limite = limits.tolerancia->value();
  }
}

}  // namespace

bool ReconciliationOutside(const ReconciliationRow& r, const std::optional<Percent>& tolerance) {
  if (!r.difference) return r.kov_value != 0.0;  // "div por zero"
  if (!tolerance) return *r.difference != 0.0;
  // |kov - file| / |file| x 100 against the tolerance, without the rounding of a division.
  const long double gap = std::fabs(static_cast<long double>(r.kov_value) - r.file_value);
  return gap * 100.0L * Percent::kScale > static_cast<long double>(tolerance->scaled) *
                                              std::fabs(static_cast<long double>(r.file_value));
}

bool ParsePercent(std::string_view text, Percent* out) {
  static constexpr int kMaxDecimals = 9;
  static constexpr std::int64_t kMaxWhole = 1'000'000'000;
  std::int64_t whole = 0;
  std::int64_t fraction = 0;
  int decimals = -1;  // -1: no separator yet
  bool digits = false;
  for (const char c : text) {
    if (c == '.' || c == ',') {
      if (decimals >= 0) return false;
      decimals = 0;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (decimals < 0) {
        whole = whole * 10 + (c - '0');
        if (whole >= kMaxWhole) return false;
      } else {
        if (++decimals > kMaxDecimals) return false;
        fraction = fraction * 10 + (c - '0');
      }
    } else {
      return false;
    }
  }
  if (!digits) return false;
  for (int d = decimals < 0 ? 0 : decimals; d < kMaxDecimals; ++d) fraction *= 10;
  out->scaled = whole * Percent::kScale + fraction;
  return true;
}

std::string_view VerdictOutcomeName(VerdictOutcome outcome) {
  switch (outcome) {
    case VerdictOutcome::kAceitavel:
      return "aceitavel";
    case VerdictOutcome::kRejeitado:
      return "rejeitado";
    case VerdictOutcome::kErro:
      return "erro";
  }
  return "";
}

Verdict ComputeVerdict(const RunResult& r, const std::optional<std::string>& error,
                       const VerdictLimits& limits) {
  Verdict verdict;
  Builder b(verdict);
  if (error) {
    verdict.resultado = VerdictOutcome::kErro;
    b.Reason("erro", *error);
    return verdict;
  }
  if (r.risks_missing) b.Reason("arquivo_faltando", Ansi("Falta o arquivo de riscos."));
  if (r.claims_missing) b.Reason("arquivo_faltando", Ansi("Falta o arquivo de sinistros."));
  if (r.catalog_without_rules) {
    b.Reason("catalogo_vazio", Ansi("O catálogo tabelas.dbf não tem regras para o ramo ") +
                                   std::string(kLineOfBusiness) +
                                   Ansi(": nenhum arquivo foi verificado."));
  }
  for (const TableResult& t : r.tables) TableReasons(t, b);
  for (const HeaderFinding& h : r.header_mismatches) HeaderItems(h, b);
  if (r.company_not_in_kov) {
    b.Reason("empresa_sem_kov", Ansi("A empresa não está em DadosKov.DBF."));
  }
  if (r.inverted_coverages && *r.inverted_coverages > 0) {
    VerdictItem& item = b.Reason("vigencia_invertida",
                                 InvertedCoverageText(*r.inverted_coverages, r.inverted_kinds));
    item.valor = static_cast<double>(*r.inverted_coverages);
    item.vigencia_invertida = r.inverted_kinds;
  }
  for (const TableResult& t : r.tables) FieldCounterItems(t, limits, b);
  if (r.claims_without_policy) ClaimsWithoutPolicyItem(*r.claims_without_policy, limits, b);
  TotalsItems(r, b);
  for (const ReconciliationSection& s : r.reconciliation) ReconciliationItems(s, limits, b);
  verdict.resultado =
      verdict.motivos.empty() ? VerdictOutcome::kAceitavel : VerdictOutcome::kRejeitado;
  return verdict;
}

}  // namespace engine
