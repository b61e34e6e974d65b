#include "engine/reconciliation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/coverage_period.h"
#include "engine/kept_records.h"
#include "engine/number_style.h"
#include "engine/open_reader.h"
#include "engine/premium_words.h"
#include "engine/record_key.h"
#include "engine/record_set.h"
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
// A missing field raises the field-not-found error led by `owner`.
class AmountColumn {
 public:
  AmountColumn(const tables::DbfTable& table, std::string_view name, std::string_view owner)
      : field_(table.Fields(RequireField(table, name, owner))), path_(table.FileName()) {}

  // Adds the field's value to `sum`; a field that reads as null (blank or malformed) adds
  // nothing. A field of another type converts its value; a text that is not a number raises the
  // conversion error. The value goes straight to the sum: passed back as an optional it cost a
  // stall per field (its flag written as a byte, read back as part of a wider word).
  void AddTo(std::string_view record, double& sum) const {
    const std::string_view bytes = FieldBytes(field_, record, path_);
    // Amounts are integer fields as a rule: read here, the other types apart, out of line.
    if (field_.type == tables::FieldType::kInteger) {
      if (const auto v = tables::ParseInt32(bytes)) sum += static_cast<double>(*v);
    } else {
      AddOther(bytes, sum);
    }
  }

 private:
  [[gnu::noinline]] void AddOther(std::string_view bytes, double& sum) const {
    switch (field_.type) {
      case tables::FieldType::kFloat:
        if (const auto v = tables::ParseDbfFloat(bytes)) sum += *v;
        return;
      case tables::FieldType::kLargeint:
        if (const auto v = tables::ParseInt64(bytes)) sum += static_cast<double>(*v);
        return;
      default: {
        const tables::FieldValue value = tables::DecodeField(field_, bytes);
        if (!value.IsNull()) sum += value.AsDouble();
        return;
      }
    }
  }

  tables::DbfField field_;
  std::string path_;
};

// An amount of the totals row; a blank amount reads as 0, and so does one that is not a number
// ("abc", "--5"), which is noted in `unreadable` for the warnings.
double KovAmount(const tables::DbfTable& kov, std::string_view name,
                 std::vector<UnreadableAmount>& unreadable) {
  const tables::FieldValue value = kov.GetFieldValue(name);
  if (!value.IsNull()) return value.AsDouble();
  const std::string_view text = Trimmed(kov.RawField(kov.FieldIndex(name)));
  if (!text.empty()) unreadable.push_back({kov.RecNo(), std::string(name), std::string(text)});
  return 0.0;
}

Sums KovAmounts(const tables::DbfTable& kov, std::string_view LineOfBusiness::*field,
                std::vector<UnreadableAmount>& unreadable) {
  Sums amounts{};
  for (std::size_t i = 0; i < kLineCount; ++i) {
    amounts[i] = KovAmount(kov, kLines[i].*field, unreadable);
  }
  return amounts;
}

CoveragePeriod ReadPeriod(const tables::DbfTable& kov) {
  return PeriodBounds(kov.GetFieldValue("INIVIG").AsString(),
                      kov.GetFieldValue("FIMVIG").AsString());
}

// Walks the totals file from its first row to the first whose COD_SEG equals the company code
// exactly (stored blanks count). True when found, the table then positioned on that row. With
// `rows`, the walk goes on to the end for every row that carries the code, and comes back to the
// first.
bool FindCompany(tables::DbfTable& kov, const std::string& cod_empresa,
                 std::vector<std::uint32_t>* rows = nullptr) {
  TextColumn cod_seg(kov, "COD_SEG");
  for (kov.First(); !kov.Eof(); kov.Next()) {
    const DateText code = cod_seg.Read(kov);
    if (!code || *code != cod_empresa) continue;
    if (rows == nullptr) return true;
    rows->push_back(kov.RecNo());
  }
  if (rows == nullptr || rows->empty()) return false;
  kov.GoTo(rows->front());
  return true;
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
int IssueDateField(const tables::DbfTable& riscos, std::string_view owner) {
  const int index = riscos.FieldIndex("DATA_EMIS");
  if (index >= 0) return index;
  const int fallback = riscos.FieldIndex("DATA_EMISS");
  if (fallback >= 0) return fallback;
  tables::ThrowFieldNotFound(owner, "DATA_EMIS");
}

bool SamePeriod(const CoveragePeriod* a, const std::optional<CoveragePeriod>& b) {
  if (a == nullptr || !b) return a == nullptr && !b;
  return a->start == b->start && a->end == b->end;
}

}  // namespace

// The risks' part of the reconciliation as a tap of the risks file's walk, or driven over the
// file by a pass of its own: counts inverted coverage, keeping the records for the findings, and,
// when a period is given, sums the premiums of the risks issued in it. A field the file lacks is
// told under `owner`, the reconciliation's table object, whichever table the records come from.
class PremiumTally : public RecordTap {
 public:
  PremiumTally(const tables::DbfTable& riscos, std::string_view owner, std::string company,
               std::optional<CoveragePeriod> period)
      : company_(std::move(company)), period_(std::move(period)) {
    try {
      const int inicio = RequireField(riscos, "INICIO_VIG", owner);
      const int fim = RequireField(riscos, "FIM_VIG", owner);
      const int emis = IssueDateField(riscos, owner);
      inicio_vig_.emplace(riscos, inicio);
      fim_vig_.emplace(riscos, fim);
      data_emis_.emplace(riscos, emis);
      premiums_.reserve(kPremiumFields.size());
      for (const PremiumField& p : kPremiumFields) premiums_.emplace_back(riscos, p.name, owner);
      words_.emplace(riscos, inicio, fim, emis, period_);
    } catch (...) {
      error_ = std::current_exception();
    }
  }

  void Take(std::uint32_t recno, std::string_view record) override {
    if (error_) return;
    if (words_->Fits(record) && TakeWords(recno, record)) return;
    try {
      const DateText inicio = inicio_vig_->Read(record);
      if (!RiskIsDated(inicio)) return;
      const DateText fim = fim_vig_->Read(record);
      if (CoverageInverted(inicio, fim)) Inverted(recno, record, fim);
      if (!period_ || !RiskInPeriod(data_emis_->Read(record), *period_)) return;
      for (std::size_t i = 0; i < premiums_.size(); ++i) {
        premiums_[i].AddTo(record, sums_[kPremiumFields[i].line]);
      }
    } catch (...) {
      error_ = std::current_exception();  // raised after the findings of the records before it
    }
  }
  void Finish() override {
    complete_ = true;
    if (kept_ && !kept_->Finish()) kept_.reset();  // the records are read again instead
  }
  // The walk sets the inverted coverages' records aside, for the findings to be told from.
  void Keep(std::unique_ptr<KeptRecords> kept) { kept_ = std::move(kept); }
  bool failed() const { return static_cast<bool>(error_); }

  // Take() of a record that words_ Fits(); false, having done nothing, for the general way.
  bool TakeWords(std::uint32_t recno, std::string_view record) {
    std::uint64_t inicio = 0;
    std::uint64_t fim = 0;
    std::uint64_t emis = 0;
    if (!words_->Dates(record.data(), &inicio, &fim, &emis)) return false;
    // A character date without a NUL byte is never null: the record is dated.
    if (inicio > fim) Inverted(recno, record, fim_vig_->Read(record));
    if (!period_ || !words_->InPeriod(emis)) return true;
    if (words_->AmountsPlain(record.data())) {
      for (std::size_t i = 0; i < kPremiumFields.size(); ++i) {
        sums_[kPremiumFields[i].line] +=
            static_cast<double>(words_->AmountInWindow(record.data(), i));
      }
      return true;
    }
    for (std::size_t i = 0; i < kPremiumFields.size(); ++i) {
      double& sum = sums_[kPremiumFields[i].line];
      std::uint64_t value = 0;
      if (words_->Amount(record.data(), i, &value)) {
        sum += static_cast<double>(value);  // eight digits at most: always an int32
      } else {
        premiums_[i].AddTo(record, sum);  // cannot throw: the field lies within the record
      }
    }
    return true;
  }

  // Gathered over the whole file for this company and period.
  bool Fits(const std::string& company, const CoveragePeriod* period) const {
    return complete_ && company == company_ && SamePeriod(period, period_);
  }

  // Tells the inverted coverages in record order, `riscos` (open on the same file) moved to each
  // record, then raises the error the tally met, if any. The records come from those the walk
  // set aside, or else are read again (with `read_ahead`, on threads of their own).
  void TellAndRaise(tables::DbfTable& riscos, FindingSink* findings, bool read_ahead) {
    if (findings != nullptr && inverted_ > 0) {
      const RecordKeyColumns keys(riscos);
      const auto tell = [&](std::uint32_t recno) {
        const DateText inicio = inicio_vig_->Read(riscos);
        const DateText fim = fim_vig_->Read(riscos);
        findings->CoverageInverted(recno, keys.Read(riscos), inicio.value_or(""), fim.value_or(""));
      };
      if (kept_ && kept_->count() == static_cast<std::uint64_t>(inverted_)) {
        struct AtEof {
          tables::DbfTable& table;
          ~AtEof() { table.ShowRecord(0, nullptr); }  // the kept bytes are not the table's
        } const at_eof{riscos};
        inverted_records_.ForEach([&](std::uint32_t recno) {
          // A record that cannot be read back is read from the file.
          if (const char* bytes = kept_->Next()) {
            riscos.ShowRecord(recno, bytes);
          } else {
            riscos.GoTo(recno);
          }
          tell(recno);
        });
      } else {
        riscos.VisitInOrder([&](const auto& take) { inverted_records_.ForEach(take); }, tell,
                            read_ahead);
      }
    }
    if (error_) std::rethrow_exception(error_);
  }

  std::int64_t inverted() const { return inverted_; }
  const InvertedCoverageKinds& kinds() const { return kinds_; }
  const Sums& sums() const { return sums_; }

 private:
  // A risk whose coverage is inverted: counted, by what its FIM_VIG holds, and kept.
  void Inverted(std::uint32_t recno, std::string_view record, DateText fim) {
    ++inverted_;
    switch (InvertedKindOf(fim)) {
      case InvertedKind::kEndsBeforeStart:
        ++kinds_.ends_before_start;
        break;
      case InvertedKind::kWithoutEnd:
        ++kinds_.without_end;
        break;
      case InvertedKind::kInvalidEnd:
        ++kinds_.invalid_end;
        break;
    }
    inverted_records_.Add(recno);
    if (kept_) kept_->Add(record);
  }

  std::string company_;
  std::optional<CoveragePeriod> period_;
  std::unique_ptr<KeptRecords> kept_;  // null: the records are read again when told
  std::optional<TextColumn> inicio_vig_;
  std::optional<TextColumn> fim_vig_;
  std::optional<TextColumn> data_emis_;
  std::vector<AmountColumn> premiums_;  // as kPremiumFields
  std::optional<PremiumWords> words_;
  std::int64_t inverted_ = 0;
  InvertedCoverageKinds kinds_;
  RecordSet inverted_records_;
  Sums sums_{};
  std::exception_ptr error_;
  bool complete_ = false;
};

// The claims' part: the paid claims of the period summed by line of business; a missing field is
// told under `owner`, as above.
class ClaimsTally : public RecordTap {
 public:
  ClaimsTally(const tables::DbfTable& sinistros, std::string_view owner, std::string company,
              CoveragePeriod period)
      : company_(std::move(company)), period_(std::move(period)) {
    try {
      d_avi_.emplace(sinistros, RequireField(sinistros, "D_AVI", owner));
      evento_.emplace(sinistros, RequireField(sinistros, "EVENTO", owner));
      indeniz_.emplace(sinistros, "INDENIZ", owner);
    } catch (...) {
      error_ = std::current_exception();
    }
  }

  void Take(std::uint32_t, std::string_view record) override {
    if (error_) return;
    try {
      if (!ClaimInPeriod(d_avi_->Read(record), period_)) return;
      const std::optional<std::size_t> line = EventLine(evento_->Read(record));
      if (!line) return;
      indeniz_->AddTo(record, sums_[*line]);
    } catch (...) {
      error_ = std::current_exception();
    }
  }
  void Finish() override { complete_ = true; }
  bool failed() const { return static_cast<bool>(error_); }
  bool Fits(const std::string& company, const CoveragePeriod& period) const {
    return complete_ && company == company_ && SamePeriod(&period, period_);
  }
  const Sums& SumsOrRaise() const {
    if (error_) std::rethrow_exception(error_);
    return sums_;
  }

 private:
  std::string company_;
  CoveragePeriod period_;
  std::optional<TextColumn> d_avi_;
  std::optional<TextColumn> evento_;
  std::optional<AmountColumn> indeniz_;
  Sums sums_{};
  std::exception_ptr error_;
  bool complete_ = false;
};

namespace {

// Drives `tally` over every record `table` shows (the pass of a file that was not walked).
template <typename Tally>
void OwnPass(RunHost& host, std::string_view phase, tables::DbfTable& table, Tally& tally) {
  WalkProgress progress(host, Ansi(phase), table);
  for (table.First(); !table.Eof(); table.Next()) {
    progress.Step();
    tally.Take(table.RecNo(), table.Record());
    if (tally.failed()) return;
  }
  progress.Done();
  tally.Finish();
}

struct RiskFigures {
  std::int64_t inverted = 0;
  InvertedCoverageKinds kinds;
  Sums sums{};
};

// The risks' figures, from the walk when it gathered them for this company and period, otherwise
// from a pass of its own; the inverted coverages are told before any error is raised.
RiskFigures ReadRisks(RunContext& ctx, const CoveragePeriod* period, PremiumTally* walked) {
  tables::DbfTable& riscos = ctx.tables.tbRiscos;
  PremiumTally* tally = walked;
  std::optional<OpenReader> open;
  std::unique_ptr<PremiumTally> own;
  if (tally == nullptr || !tally->Fits(ctx.state.codEmpresa, period)) {
    open.emplace(riscos, ctx.risk_path, ctx.risk_file);
    own = std::make_unique<PremiumTally>(
        riscos, riscos.owner(), ctx.state.codEmpresa,
        period == nullptr ? std::nullopt : std::optional<CoveragePeriod>(*period));
    OwnPass(ctx.host, "conciliação dos riscos", riscos, *own);
    tally = own.get();
  } else if (ctx.findings != nullptr && tally->inverted() > 0) {
    open.emplace(riscos, ctx.risk_path, ctx.risk_file);  // the findings read their records again
  }
  tally->TellAndRaise(riscos, ctx.findings, ctx.walk_threads > 1);
  return {tally->inverted(), tally->kinds(), tally->sums()};
}

Sums ReadClaims(RunContext& ctx, const CoveragePeriod& period, ClaimsTally* tally) {
  if (tally != nullptr && tally->Fits(ctx.state.codEmpresa, period)) return tally->SumsOrRaise();
  tables::DbfTable& sinistros = ctx.tables.tbSinistros;
  OpenReader open(sinistros, ctx.claims_path, ctx.claims_file);
  ClaimsTally own(sinistros, sinistros.owner(), ctx.state.codEmpresa, period);
  OwnPass(ctx.host, "conciliação dos sinistros", sinistros, own);
  return own.SumsOrRaise();
}

// The company's period in the totals file, read before a walk so that the walk can sum for it.
// nullopt when the company is not there or the file cannot be read now: the walk then sums
// nothing, and the reconciliation reads the file again should it find the company after all.
std::optional<CoveragePeriod> PeriodAhead(RunContext& ctx) {
  try {
    tables::DbfTable& kov = ctx.tables.tbDadosKov;
    OpenReader open_kov(kov, ctx.catalogue_folder + std::string(kTotalsFile));
    if (!FindCompany(kov, ctx.state.codEmpresa)) return std::nullopt;
    return ReadPeriod(kov);
  } catch (const std::exception&) {
    return std::nullopt;
  }
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
  ReconciliationSection& section = ctx.state.result.reconciliation.emplace_back();
  section.title = title;
  for (std::size_t i = 0; i < kLineCount; ++i) {
    ReconciliationRow& row = section.rows.emplace_back();
    row.ramo = kLines[i].label;
    row.kov_value = kov[i];
    row.file_value = sums[i];
    if (sums[i] != 0.0) row.difference = (kov[i] - sums[i]) / sums[i] * 100.0;
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

Reconciliation::Reconciliation(RunContext& ctx) : ctx_(ctx) {}

Reconciliation::~Reconciliation() = default;

void Reconciliation::Reconcile() {
  RunContext& ctx = ctx_;
  tables::DbfTable& kov = ctx.tables.tbDadosKov;
  OpenReader open_kov(kov, ctx.catalogue_folder + std::string(kTotalsFile));

  const bool with_risks = !Trimmed(ctx.risk_path).empty();
  const bool with_claims = !Trimmed(ctx.claims_path).empty();

  std::vector<std::uint32_t> rows;
  if (!FindCompany(kov, ctx.state.codEmpresa, &rows)) {
    // No totals to compare with: say so on the company line and write no comparison table
    // rather than compare against another insurer's row. The inverted coverage is a finding
    // of the risks file alone and is still reported.
    ctx.host.ReplaceLine(
        2, "Empresa: " + ctx.state.codEmpresa + Ansi(" - não encontrada em DadosKov.DBF"));
    ctx.state.result.company_not_in_kov = true;
    if (with_risks) {
      const RiskFigures pass = ReadRisks(ctx, nullptr, premiums_.get());
      ctx.state.result.inverted_coverages = pass.inverted;
      ctx.state.result.inverted_kinds = pass.kinds;
      if (pass.inverted > 0) {
        ctx.host.AppendLine(kRuleLine);
        ctx.host.AppendLine("");
        WriteInvertedCoverageBlock(ctx.host, pass.inverted);
      }
    }
    return;
  }

  RunResult& result = ctx.state.result;
  if (rows.size() > 1) result.kov_repeated_company = RepeatedCompany{ctx.state.codEmpresa, rows};
  ctx.host.ReplaceLine(2, CompanyLine(kov));
  result.company_name =
      std::string(TrimmedRight(TextColumn(kov, "EMPRESA").Read(kov).value_or("")));
  result.period =
      ReportingPeriod{std::string(TrimmedRight(kov.GetFieldValue("INIVIG").AsString())),
                      std::string(TrimmedRight(kov.GetFieldValue("FIMVIG").AsString()))};

  if (with_risks) {
    const CoveragePeriod period = ReadPeriod(kov);
    const Sums declared =
        KovAmounts(kov, &LineOfBusiness::kov_premiums, result.kov_unreadable_amounts);
    const RiskFigures pass = ReadRisks(ctx, &period, premiums_.get());
    result.inverted_coverages = pass.inverted;
    result.inverted_kinds = pass.kinds;
    WriteComparison(ctx, Ansi("Teste de Prêmios Emitidos:"), declared, pass.sums);
    WriteInvertedCoverageBlock(ctx.host, pass.inverted);
  }

  if (with_claims) {
    const CoveragePeriod period = ReadPeriod(kov);
    const Sums declared =
        KovAmounts(kov, &LineOfBusiness::kov_claims, result.kov_unreadable_amounts);
    const Sums sums = ReadClaims(ctx, period, claim_sums_.get());
    WriteComparison(ctx, "Teste de Sinistros Pagos:", declared, sums);
  }
}

RecordTap* Reconciliation::StartPremiums(const tables::DbfTable& riscos) {
  premiums_ = std::make_unique<PremiumTally>(riscos, ctx_.tables.tbRiscos.owner(),
                                             ctx_.state.codEmpresa, PeriodAhead(ctx_));
  if (ctx_.findings != nullptr) {
    premiums_->Keep(KeptRecords::Start(riscos.RecordLength(), ctx_.catalogue_folder));
  }
  return premiums_.get();
}

RecordTap* Reconciliation::StartClaimSums(const tables::DbfTable& sinistros) {
  claim_sums_.reset();
  std::optional<CoveragePeriod> period = PeriodAhead(ctx_);
  if (!period) return nullptr;
  claim_sums_ = std::make_unique<ClaimsTally>(sinistros, ctx_.tables.tbSinistros.owner(),
                                              ctx_.state.codEmpresa, std::move(*period));
  return claim_sums_.get();
}

void Reconcile(RunContext& ctx) { Reconciliation(ctx).Reconcile(); }

}  // namespace engine
