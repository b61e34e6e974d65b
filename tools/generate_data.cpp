// talmero-gerar-dados: writes a risks file and a claims file of one insurer in the default layouts
// (46 and 25 fields), large and realistic enough to measure a whole run.
//
//   talmero-gerar-dados --saida DIR [--riscos N] [--sinistros M] [--semente S]
//                       [--erros PCT] [--excluidos PCT]
//
// Writes DIR/riscos.dbf and DIR/sinistros.dbf (DIR is created when missing). Defaults: 1000
// risks, 300 claims, seed 20230101, 3 % faulty field values, 3 % records marked deleted.
// The same options give the same bytes.
//
// Valid values stay inside the shipped catalogue (data/catalogo), so that only the injected
// faults are counted:
//   COD_SEG "01234" for every record (never damaged: a second company stops the file)
//   APOLICE 20 digits, ENDOSSO 10 digits, ITEM 6 digits, COD_MODELO 8 digits, ANO_MODELO 1995-2024
//   COD_END 0 (90 %) or 1-3 with a nonzero ENDOSSO    TIPO_PES F / J
//   MODALIDADE 1-3; COBERTURA 1-3 under MODALIDADE 1 and 2, 4-5 under MODALIDADE 3
//   TIPO_PROD 2 for persons (mostly) and 1 for companies and fleets
//   COD_TARIF 010 011 012 013 020 021 030 031 040 041 050 051 060 090      REGIAO 01-41
//   COD_CONT 1-3   TIPO_FRANQ 1-4   TAB_REF 1-3   CLAS_BONUS 0-9   UTILIZACAO 1-4   SEXO M / F
//   (companies: SEXO "0" and DATA_NASC "00000000", accepted as all zeros for TIPO_PROD 1)
//   EVENTO 1-9   CAUSA 1-6 and 9
//   CEP_UTIL, CEP_PER, CEP: one of the 5-digit prefixes of anexos.dbf followed by 3 digits
//   DATA_EMISS in 2023; INICIO_VIG 0-10 days after it; FIM_VIG one year after INICIO_VIG
//   (0.5 % of the risks end before they start); claims occur inside the coverage, are notified
//   0-20 days later and settled 5-60 days after that (or "00000000": not settled).
//   Amounts are whole numbers; PERC_FATOR and PERC_CORR have two decimals.
// Claims reuse APOLICE and ITEM of a generated risk; 1 % name a policy that no risk has.
//
// Faults (each checked field value with probability --erros): a blank required value, a value
// that does not fill its width, an impossible date (20230230) or a year out of range, a code
// outside its domain, an unknown postal-code prefix, a blank amount.

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/standard_descriptors.h"
#include "tools/dbf_writer.h"
#include "tools/generated_record.h"

namespace {

using tools::gerar::CivilFromDays;
using tools::gerar::ClaimLayout;
using tools::gerar::DaysFromCivil;
using tools::gerar::Digits;
using tools::gerar::Mix;
using tools::gerar::Record;
using tools::gerar::RiskLayout;
using tools::gerar::Rng;
using tools::gerar::Ymd;
using namespace tools::gerar::fields;

constexpr const char* kUsage =
    "uso: talmero-gerar-dados --saida PASTA [--riscos N] [--sinistros M] [--semente S]\n"
    "                         [--erros PCT] [--excluidos PCT]\n"
    "Grava PASTA/riscos.dbf e PASTA/sinistros.dbf de uma seguradora (01234).\n"
    "Padrao: 1000 riscos, 300 sinistros, semente 20230101, 3 % de erros, 3 % excluidos.\n";

constexpr std::string_view kCompany = "01234";
constexpr std::uint64_t kRiskStream = 0x5249534353ULL;   // separate streams for risks,
constexpr std::uint64_t kClaimStream = 0x53494E4953ULL;  // claims and their faults
constexpr std::uint64_t kItemsPerPolicy = 4;
constexpr std::uint64_t kFirstPolicy = 100001;

constexpr std::array<std::string_view, 14> kTarifs = {"010", "011", "012", "013", "020",
                                                      "021", "030", "031", "040", "041",
                                                      "050", "051", "060", "090"};
constexpr std::array<std::string_view, 50> kCepPrefixes = {
    "01001", "01310", "01415", "02011", "03162", "04538", "05422", "06454", "07010", "08220",
    "09015", "11010", "13015", "14010", "20040", "22250", "24020", "25010", "26210", "29010",
    "30130", "31270", "35010", "36010", "38400", "40010", "41820", "50010", "51020", "57020",
    "58010", "59010", "60010", "64000", "65010", "66010", "69005", "70040", "71010", "74000",
    "78005", "79002", "80010", "84010", "86010", "88010", "89010", "90010", "95010", "96010"};
constexpr std::array<char, 7> kCausas = {'1', '2', '3', '4', '5', '6', '9'};

// What a claim copies from its risk; derived again from the risk's number alone.
struct RiskBase {
  std::uint64_t policy = 0;
  std::uint64_t item = 0;
  std::int64_t endosso = 0;
  char modalidade = '1', tipo_prod = '2', cobertura = '1', tipo_pes = 'F', cod_cont = '1';
  char sexo = 'M';
  std::int64_t cod_modelo = 0, ano_modelo = 0, regiao = 1;
  std::string_view tarif;
  std::int64_t nascimento = 0;  // days; 0 for companies
  std::string_view cep_prefix;
  std::int64_t cep_suffix = 0;
  std::int64_t emissao = 0, inicio = 0, fim = 0;  // days
};

RiskBase MakeRiskBase(std::uint64_t seed, std::uint64_t index) {
  Rng r(Mix(seed, kRiskStream, index));
  RiskBase b;
  b.policy = kFirstPolicy + index / kItemsPerPolicy;
  b.item = index % kItemsPerPolicy + 1;
  b.endosso = r.Chance(900) ? 0 : r.Range(1, 9);
  b.modalidade = static_cast<char>('0' + r.Range(1, 3));
  b.cobertura = b.modalidade == '3' ? static_cast<char>('0' + r.Range(4, 5))
                                    : static_cast<char>('0' + r.Range(1, 3));
  b.tipo_pes = r.Chance(150) ? 'J' : 'F';
  b.tipo_prod = b.tipo_pes == 'J' || r.Chance(100) ? '1' : '2';
  b.cod_cont = static_cast<char>('0' + r.Range(1, 3));
  b.cod_modelo = r.Range(1000000, 9999999);
  b.ano_modelo = r.Range(1995, 2024);
  b.regiao = r.Range(1, 41);
  b.tarif = r.Pick(kTarifs);
  if (b.tipo_pes == 'F') {
    b.sexo = r.Chance(550) ? 'M' : 'F';
    b.nascimento = DaysFromCivil(1940, 1, 1) + r.Range(0, 64 * 365);
  } else {
    b.sexo = '0';
  }
  b.cep_prefix = r.Pick(kCepPrefixes);
  b.cep_suffix = r.Range(0, 999);
  b.emissao = DaysFromCivil(2023, 1, 1) + r.Range(0, 364);
  b.inicio = b.emissao + r.Range(0, 10);
  const Ymd s = CivilFromDays(b.inicio);
  b.fim = DaysFromCivil(s.y + 1, s.m, std::min<std::int64_t>(s.d, 28));
  return b;
}

// Faults, drawn per checked field.
class Faults {
 public:
  Faults(Rng& rng, std::uint32_t per_mille) : rng_(rng), per_mille_(per_mille) {}
  bool Hit() {
    if (!rng_.Chance(per_mille_)) return false;
    ++count_;
    return true;
  }
  std::uint64_t count() const { return count_; }

  // A required text: blank, or one character short of its width.
  void Text(Record& rec, int field, std::string_view valid) {
    if (!Hit()) return rec.Put(field, valid);
    if (rng_.Chance(500)) return rec.Put(field, "");
    rec.Put(field, valid.substr(0, valid.size() > 1 ? valid.size() - 1 : 0));
  }
  // A coded value: outside the domain ("X", "99", "999"), or blank.
  void Code(Record& rec, int field, std::string_view valid) {
    if (!Hit()) return rec.Put(field, valid);
    if (rng_.Chance(300)) return rec.Put(field, "");
    rec.Put(field,
            valid.size() == 1 ? std::string_view("X") : std::string_view("999", valid.size()));
  }
  // A date: impossible in the calendar, a year out of range, or blank.
  void Date(Record& rec, int field, std::int64_t days) {
    if (!Hit()) return rec.PutDate(field, days);
    switch (rng_.Next() % 3) {
      case 0:
        return rec.Put(field, "20230230");
      case 1:
        return rec.Put(field, "18991231");
      default:
        return rec.Put(field, "");
    }
  }
  // A postal code: unknown prefix or short.
  void Cep(Record& rec, int field, std::string_view prefix, std::int64_t suffix) {
    char buf[8];
    std::memcpy(buf, prefix.data(), 5);
    buf[5] = static_cast<char>('0' + suffix / 100);
    buf[6] = static_cast<char>('0' + suffix / 10 % 10);
    buf[7] = static_cast<char>('0' + suffix % 10);
    if (Hit()) {
      if (rng_.Chance(500)) return rec.Put(field, "99999123");
      return rec.Put(field, std::string_view(buf, 5));
    }
    rec.Put(field, std::string_view(buf, 8));
  }
  // A required amount: blank.
  void Amount(Record& rec, int field, std::int64_t value) {
    if (Hit()) return rec.Put(field, "");
    rec.PutNumber(field, value);
  }

 private:
  Rng& rng_;
  std::uint32_t per_mille_;
  std::uint64_t count_ = 0;
};

struct Options {
  std::uint64_t riscos = 1000;
  std::uint64_t sinistros = 300;
  std::uint64_t semente = 20230101;
  std::uint32_t erros = 30;  // per mille
  std::uint32_t excluidos = 30;
  std::string saida;
};

struct Counts {
  std::uint64_t records = 0, deleted = 0, faults = 0, orphans = 0, inverted = 0;
};

Counts WriteRisks(const Options& o, const std::string& path) {
  tools::DbfFileWriter out(path, RiskLayout());
  Record rec(RiskLayout());
  Counts n;
  char text[24];
  for (std::uint64_t i = 0; i < o.riscos; ++i) {
    const RiskBase b = MakeRiskBase(o.semente, i);
    Rng r(Mix(o.semente, kRiskStream ^ 0xFA, i));
    Faults f(r, o.erros);
    rec.Clear();
    rec.Put(rCodSeg, kCompany);
    f.Text(rec, rApolice, Digits(text, static_cast<std::int64_t>(b.policy), 20));
    f.Text(rec, rEndosso, Digits(text, static_cast<std::int64_t>(b.endosso), 10));
    f.Code(rec, rCodEnd,
           b.endosso == 0
               ? "0"
               : std::string_view("123").substr(static_cast<std::size_t>(b.endosso % 3), 1));
    f.Text(rec, rItem, Digits(text, static_cast<std::int64_t>(b.item), 6));
    f.Code(rec, rTipoPes, std::string_view(&b.tipo_pes, 1));
    f.Code(rec, rModalidade, std::string_view(&b.modalidade, 1));
    f.Code(rec, rTipoProd, std::string_view(&b.tipo_prod, 1));
    f.Code(rec, rCobertura, std::string_view(&b.cobertura, 1));
    f.Text(rec, rCodModelo, Digits(text, static_cast<std::int64_t>(b.cod_modelo), 8));
    f.Text(rec, rAnoModelo, Digits(text, static_cast<std::int64_t>(b.ano_modelo), 4));
    f.Code(rec, rCodTarif, b.tarif);
    f.Code(rec, rRegiao, Digits(text, static_cast<std::int64_t>(b.regiao), 2));
    f.Code(rec, rCodCont, std::string_view(&b.cod_cont, 1));
    const char franq = static_cast<char>('0' + r.Range(1, 4));
    f.Code(rec, rTipoFranq, std::string_view(&franq, 1));
    const std::int64_t casco =
        b.cobertura == '3' || b.cobertura == '5' ? 0 : r.Range(15, 300) * 1000;
    f.Amount(rec, rValFranq, casco / 20);
    rec.PutDecimal2(rPercFator, r.Range(140, 199) * 50);  // 70.00 .. 99.50 in steps of 0.50
    const char tab = static_cast<char>('0' + r.Range(1, 3));
    f.Code(rec, rTabRef, std::string_view(&tab, 1));
    f.Amount(rec, rIsCasco, casco);
    f.Amount(rec, rIsRcdmat, r.Range(5, 20) * 10000);
    f.Amount(rec, rIsRcdc, r.Range(5, 20) * 10000);
    f.Amount(rec, rIsRcdmor, r.Range(0, 10) * 5000);
    f.Amount(rec, rIsAppMa, r.Range(0, 5) * 5000);
    f.Amount(rec, rIsAppIpa, r.Range(0, 5) * 5000);
    f.Amount(rec, rIsAppDmh, r.Range(0, 5) * 1000);
    f.Amount(rec, rPreCasco, casco / 25 + r.Range(0, 999));
    f.Amount(rec, rPreCasCo, r.Range(0, 500));
    f.Amount(rec, rPreRcdmat, r.Range(150, 900));
    f.Amount(rec, rPreRcdc, r.Range(100, 600));
    f.Amount(rec, rPreRcdmor, r.Range(0, 120));
    f.Amount(rec, rPreAppMa, r.Range(0, 90));
    f.Amount(rec, rPreAppIa, r.Range(0, 90));
    f.Amount(rec, rPreAppDm, r.Range(0, 40));
    f.Amount(rec, rPreOutros, r.Range(0, 200));
    // Coverage ending before it starts: a consistency fault of its own, not a field fault.
    const bool inverted = r.Chance(5);
    n.inverted += inverted ? 1 : 0;
    f.Date(rec, rInicioVig, inverted ? b.fim : b.inicio);
    f.Date(rec, rFimVig, inverted ? b.inicio : b.fim);
    const std::int64_t classe = r.Range(0, 9);
    rec.PutNumber(rPercBonus, classe * 5);
    const char clas = static_cast<char>('0' + classe);
    f.Code(rec, rClasBonus, std::string_view(&clas, 1));
    rec.PutDecimal2(rPercCorr, r.Range(0, 20) * 25);
    f.Code(rec, rSexo, std::string_view(&b.sexo, 1));
    if (b.tipo_pes == 'F') {
      f.Date(rec, rDataNasc, b.nascimento);
      rec.PutNumber(rTempoHab, r.Range(1, 40));
    } else {
      rec.Put(rDataNasc, "00000000");
      rec.Put(rTempoHab, "");
    }
    const char util = static_cast<char>('0' + r.Range(1, 4));
    f.Code(rec, rUtilizacao, std::string_view(&util, 1));
    f.Cep(rec, rCepUtil, b.cep_prefix, b.cep_suffix);
    f.Cep(rec, rCepPer, b.cep_prefix, (b.cep_suffix + 17) % 1000);
    f.Date(rec, rDataEmiss, b.emissao);

    const bool deleted = r.Chance(o.excluidos);
    out.AddRaw(rec.Bytes(), deleted);
    ++n.records;
    n.deleted += deleted ? 1 : 0;
    n.faults += f.count();
  }
  out.Finish();
  return n;
}

Counts WriteClaims(const Options& o, const std::string& path) {
  tools::DbfFileWriter out(path, ClaimLayout());
  Record rec(ClaimLayout());
  Counts n;
  char text[24];
  for (std::uint64_t j = 0; j < o.sinistros; ++j) {
    Rng r(Mix(o.semente, kClaimStream, j));
    const bool orphan = o.riscos == 0 || r.Chance(10);
    RiskBase b = MakeRiskBase(o.semente,
                              o.riscos == 0 ? j : r.Next() % std::max<std::uint64_t>(o.riscos, 1));
    if (orphan) {
      // A policy number above every generated one: no risk record has it.
      b.policy = kFirstPolicy + o.riscos / kItemsPerPolicy + 1 + r.Next() % 1000000;
      ++n.orphans;
    }
    Faults f(r, o.erros);
    rec.Clear();
    rec.Put(cCodSeg, kCompany);
    f.Text(rec, cApolice, Digits(text, static_cast<std::int64_t>(b.policy), 20));
    f.Text(rec, cEndosso, Digits(text, static_cast<std::int64_t>(b.endosso), 10));
    f.Text(rec, cItem, Digits(text, static_cast<std::int64_t>(b.item), 6));
    f.Code(rec, cModalidade, std::string_view(&b.modalidade, 1));
    f.Code(rec, cTipoProd, std::string_view(&b.tipo_prod, 1));
    f.Code(rec, cCobertura, std::string_view(&b.cobertura, 1));
    f.Text(rec, cCodModelo, Digits(text, static_cast<std::int64_t>(b.cod_modelo), 8));
    f.Text(rec, cAnoModelo, Digits(text, static_cast<std::int64_t>(b.ano_modelo), 4));
    f.Code(rec, cCodTarif, b.tarif);
    f.Code(rec, cRegiao, Digits(text, static_cast<std::int64_t>(b.regiao), 2));
    f.Code(rec, cCodCont, std::string_view(&b.cod_cont, 1));
    const char evento = static_cast<char>('0' + r.Range(1, 9));
    f.Code(rec, cEvento, std::string_view(&evento, 1));
    f.Amount(rec, cIndeniz, r.Range(500, 60000));
    const std::int64_t ocorr = b.inicio + r.Range(0, 300);
    const std::int64_t avi = ocorr + r.Range(0, 20);
    const std::int64_t liq = avi + r.Range(5, 60);
    if (r.Chance(100)) {
      rec.PutNumber(cValSalvad, r.Range(500, 20000));
      f.Date(rec, cDSalvado, liq + r.Range(10, 90));
    } else {
      rec.PutNumber(cValSalvad, 0);
      rec.Put(cDSalvado, "00000000");
    }
    if (r.Chance(50)) {
      rec.PutNumber(cValRess, r.Range(500, 20000));
      f.Date(rec, cDRess, liq + r.Range(30, 180));
    } else {
      rec.PutNumber(cValRess, 0);
      rec.Put(cDRess, "00000000");
    }
    f.Date(rec, cDAvi, avi);
    if (r.Chance(850)) {
      f.Date(rec, cDLiq, liq);
    } else {
      rec.Put(cDLiq, "00000000");
    }
    f.Date(rec, cDOcorr, ocorr);
    f.Code(rec, cCausa, std::string_view(&kCausas[r.Next() % kCausas.size()], 1));
    f.Code(rec, cSexo, std::string_view(&b.sexo, 1));
    if (b.tipo_pes == 'F') {
      f.Date(rec, cDNasc, b.nascimento);
    } else {
      rec.Put(cDNasc, "00000000");
    }
    f.Cep(rec, cCep, b.cep_prefix, (b.cep_suffix + 17) % 1000);

    const bool deleted = r.Chance(o.excluidos);
    out.AddRaw(rec.Bytes(), deleted);
    ++n.records;
    n.deleted += deleted ? 1 : 0;
    n.faults += f.count();
  }
  out.Finish();
  return n;
}

// A whole number within [0, max]; false for anything else.
bool ParseCount(std::string_view text, std::uint64_t max, std::uint64_t& out) {
  std::uint64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v > max)
    return false;
  out = v;
  return true;
}

// A percentage with up to one decimal ("3", "0.5", "100"), as per mille.
bool ParsePercent(std::string_view text, std::uint32_t& per_mille) {
  const std::size_t dot = text.find('.');
  std::uint64_t whole = 0, tenth = 0;
  if (!ParseCount(text.substr(0, dot), 100, whole)) return false;
  if (dot != std::string_view::npos &&
      (text.size() != dot + 2 || !ParseCount(text.substr(dot + 1), 9, tenth))) {
    return false;
  }
  const std::uint64_t v = whole * 10 + tenth;
  if (v > 1000) return false;
  per_mille = static_cast<std::uint32_t>(v);
  return true;
}

int Usage(const char* problem) {
  if (problem != nullptr) std::fprintf(stderr, "talmero-gerar-dados: %s\n", problem);
  std::fputs(kUsage, problem != nullptr ? stderr : stdout);
  return problem != nullptr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::OpenClosedStandardDescriptors();
  Options o;
  constexpr std::uint64_t kMaxRecords = 100'000'000;  // keeps every file far below 4 GiB
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") return Usage(nullptr);
    if (i + 1 >= argc) return Usage("falta o valor de uma opcao");
    const std::string_view value = argv[++i];
    bool ok = true;
    if (arg == "--riscos") {
      ok = ParseCount(value, kMaxRecords, o.riscos);
    } else if (arg == "--sinistros") {
      ok = ParseCount(value, kMaxRecords, o.sinistros);
    } else if (arg == "--semente") {
      ok = ParseCount(value, UINT64_MAX, o.semente);
    } else if (arg == "--erros") {
      ok = ParsePercent(value, o.erros);
    } else if (arg == "--excluidos") {
      ok = ParsePercent(value, o.excluidos);
    } else if (arg == "--saida") {
      o.saida = std::string(value);
    } else {
      return Usage("opcao desconhecida");
    }
    if (!ok) return Usage("valor invalido");
  }
  if (o.saida.empty()) return Usage("falta --saida");

  try {
    std::filesystem::create_directories(o.saida);
    const auto start = std::chrono::steady_clock::now();
    const auto risk_path = (std::filesystem::path(o.saida) / "riscos.dbf").string();
    const auto claim_path = (std::filesystem::path(o.saida) / "sinistros.dbf").string();
    const Counts risks = WriteRisks(o, risk_path);
    const Counts claims = WriteClaims(o, claim_path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "%s: %llu registros, %llu excluidos, %llu valores com erro, %llu vigencias "
        "invertidas\n",
        risk_path.c_str(), static_cast<unsigned long long>(risks.records),
        static_cast<unsigned long long>(risks.deleted),
        static_cast<unsigned long long>(risks.faults),
        static_cast<unsigned long long>(risks.inverted));
    std::printf("%s: %llu registros, %llu excluidos, %llu valores com erro, %llu sem apolice\n",
                claim_path.c_str(), static_cast<unsigned long long>(claims.records),
                static_cast<unsigned long long>(claims.deleted),
                static_cast<unsigned long long>(claims.faults),
                static_cast<unsigned long long>(claims.orphans));
    std::printf("tempo: %.2f s\n", seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "talmero-gerar-dados: %s\n", e.what());
    return 1;
  }
  return 0;
}
