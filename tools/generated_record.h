#pragma once
// The building blocks of talmero-gerar-dados: a reproducible random source, calendar days, the
// two default layouts and a record filled in place. That program and the benchmarks use them.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dbf_writer.h"

namespace tools::gerar {

// Small, fast and reproducible on every platform (std distributions are not).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::int64_t Range(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  // True with probability per_mille / 1000.
  bool Chance(std::uint32_t per_mille) { return Next() % 1000 < per_mille; }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[Next() % N];
  }

 private:
  std::uint64_t state_;
};

// `value` in decimal digits, zero-padded to `digits`, written into `buf` (24 bytes).
inline std::string_view Digits(char* buf, std::int64_t value, int digits) {
  char tmp[24];
  auto [end, ec] = std::to_chars(tmp, tmp + sizeof tmp, value);
  (void)ec;
  const auto n = static_cast<std::size_t>(end - tmp);
  const std::size_t width = std::max(n, static_cast<std::size_t>(digits));
  std::memset(buf, '0', width - n);
  std::memcpy(buf + (width - n), tmp, n);
  return std::string_view(buf, width);
}

inline std::uint64_t Mix(std::uint64_t seed, std::uint64_t stream, std::uint64_t index) {
  Rng r(seed ^ (stream * 0x100000001B3ULL) ^ (index * 0xD6E8FEB86659FD93ULL));
  return r.Next();
}

// Days since 1970-01-01 and back (proleptic Gregorian calendar).
inline std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Ymd {
  std::int64_t y, m, d;
};

inline Ymd CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  return {yoe + era * 400 + (m <= 2), m, d};
}

// The field positions of both layouts, in file order.
namespace fields {
enum Risk : int {
  rCodSeg,
  rApolice,
  rEndosso,
  rCodEnd,
  rItem,
  rTipoPes,
  rModalidade,
  rTipoProd,
  rCobertura,
  rCodModelo,
  rAnoModelo,
  rCodTarif,
  rRegiao,
  rCodCont,
  rTipoFranq,
  rValFranq,
  rPercFator,
  rTabRef,
  rIsCasco,
  rIsRcdmat,
  rIsRcdc,
  rIsRcdmor,
  rIsAppMa,
  rIsAppIpa,
  rIsAppDmh,
  rPreCasco,
  rPreCasCo,
  rPreRcdmat,
  rPreRcdc,
  rPreRcdmor,
  rPreAppMa,
  rPreAppIa,
  rPreAppDm,
  rPreOutros,
  rInicioVig,
  rFimVig,
  rPercBonus,
  rClasBonus,
  rPercCorr,
  rSexo,
  rDataNasc,
  rTempoHab,
  rUtilizacao,
  rCepUtil,
  rCepPer,
  rDataEmiss,
  kRiskFields
};
enum Claim : int {
  cCodSeg,
  cApolice,
  cEndosso,
  cItem,
  cModalidade,
  cTipoProd,
  cCobertura,
  cCodModelo,
  cAnoModelo,
  cCodTarif,
  cRegiao,
  cCodCont,
  cEvento,
  cIndeniz,
  cValSalvad,
  cDSalvado,
  cValRess,
  cDRess,
  cDAvi,
  cDLiq,
  cDOcorr,
  cCausa,
  cSexo,
  cDNasc,
  cCep,
  kClaimFields
};
}  // namespace fields

inline std::vector<DbfFieldSpec> RiskLayout() {
  return {{"COD_SEG", 'C', 5},    {"APOLICE", 'C', 20},      {"ENDOSSO", 'C', 10},
          {"COD_END", 'C', 1},    {"ITEM", 'C', 6},          {"TIPO_PES", 'C', 1},
          {"MODALIDADE", 'C', 1}, {"TIPO_PROD", 'C', 1},     {"COBERTURA", 'C', 1},
          {"COD_MODELO", 'C', 8}, {"ANO_MODELO", 'C', 4},    {"COD_TARIF", 'C', 3},
          {"REGIAO", 'C', 2},     {"COD_CONT", 'C', 1},      {"TIPO_FRANQ", 'C', 1},
          {"VAL_FRANQ", 'N', 6},  {"PERC_FATOR", 'N', 5, 2}, {"TAB_REF", 'C', 1},
          {"IS_CASCO", 'N', 7},   {"IS_RCDMAT", 'N', 7},     {"IS_RCDC", 'N', 7},
          {"IS_RCDMOR", 'N', 7},  {"IS_APP_MA", 'N', 7},     {"IS_APP_IPA", 'N', 7},
          {"IS_APP_DMH", 'N', 7}, {"PRE_CASCO", 'N', 6},     {"PRE_CAS_CO", 'N', 6},
          {"PRE_RCDMAT", 'N', 6}, {"PRE_RCDC", 'N', 6},      {"PRE_RCDMOR", 'N', 6},
          {"PRE_APP_MA", 'N', 7}, {"PRE_APP_IA", 'N', 7},    {"PRE_APP_DM", 'N', 7},
          {"PRE_OUTROS", 'N', 6}, {"INICIO_VIG", 'C', 8},    {"FIM_VIG", 'C', 8},
          {"PERC_BONUS", 'N', 2}, {"CLAS_BONUS", 'C', 1},    {"PERC_CORR", 'N', 5, 2},
          {"SEXO", 'C', 1},       {"DATA_NASC", 'C', 8},     {"TEMPO_HAB", 'N', 3},
          {"UTILIZACAO", 'C', 1}, {"CEP_UTIL", 'C', 8},      {"CEP_PER", 'C', 8},
          {"DATA_EMISS", 'C', 8}};
}

inline std::vector<DbfFieldSpec> ClaimLayout() {
  return {
      {"COD_SEG", 'C', 5},    {"APOLICE", 'C', 20},  {"ENDOSSO", 'C', 10},   {"ITEM", 'C', 6},
      {"MODALIDADE", 'C', 1}, {"TIPO_PROD", 'C', 1}, {"COBERTURA", 'C', 1},  {"COD_MODELO", 'C', 8},
      {"ANO_MODELO", 'C', 4}, {"COD_TARIF", 'C', 3}, {"REGIAO", 'C', 2},     {"COD_CONT", 'C', 1},
      {"EVENTO", 'C', 1},     {"INDENIZ", 'N', 7},   {"VAL_SALVAD", 'N', 6}, {"D_SALVADO", 'C', 8},
      {"VAL_RESS", 'N', 6},   {"D_RESS", 'C', 8},    {"D_AVI", 'C', 8},      {"D_LIQ", 'C', 8},
      {"D_OCORR", 'C', 8},    {"CAUSA", 'C', 1},     {"SEXO", 'C', 1},       {"D_NASC", 'C', 8},
      {"CEP", 'C', 8}};
}

// One record's bytes (without the deletion flag), filled field by field in place.
class Record {
 public:
  explicit Record(const std::vector<DbfFieldSpec>& fields) {
    std::size_t at = 0;
    for (const auto& f : fields) {
      slots_.push_back({at, static_cast<std::size_t>(f.length), f.type == 'N'});
      at += static_cast<std::size_t>(f.length);
    }
    bytes_.assign(at, ' ');
  }
  void Clear() { std::fill(bytes_.begin(), bytes_.end(), ' '); }
  // C fields left-aligned, N fields right-aligned; a longer text is cut (never happens for the
  // values generated here, the faults included).
  void Put(int field, std::string_view text) {
    const Slot& s = slots_[static_cast<std::size_t>(field)];
    char* dst = bytes_.data() + s.offset;
    std::fill(dst, dst + s.width, ' ');
    const std::size_t n = std::min(text.size(), s.width);
    std::memcpy(dst + (s.numeric ? s.width - n : 0), text.data(), n);
  }
  void PutChar(int field, char c) { Put(field, std::string_view(&c, 1)); }
  // A whole number, zero-padded to `digits` when digits > 0.
  void PutNumber(int field, std::int64_t value, int digits = 0) {
    char buf[24];
    Put(field, Digits(buf, value, digits));
  }
  // Hundredths as "85.50".
  void PutDecimal2(int field, std::int64_t hundredths) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, hundredths / 100);
    (void)ec;
    *end++ = '.';
    *end++ = static_cast<char>('0' + (hundredths / 10) % 10);
    *end++ = static_cast<char>('0' + hundredths % 10);
    Put(field, std::string_view(buf, static_cast<std::size_t>(end - buf)));
  }
  void PutDate(int field, std::int64_t days) {
    const Ymd d = CivilFromDays(days);
    PutNumber(field, d.y * 10000 + d.m * 100 + d.d, 8);
  }
  std::string_view Bytes() const { return bytes_; }

 private:
  struct Slot {
    std::size_t offset, width;
    bool numeric;
  };
  std::vector<Slot> slots_;
  std::string bytes_;
};

}  // namespace tools::gerar
