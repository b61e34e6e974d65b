// The record walk against a plain reference that looks every rule and every domain value up in
// the keyed tables (FindKey per field) and reads values through FieldValue, on random catalogues
// and records with a fixed seed.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/rule_set.h"
#include "engine/text.h"
#include "field_checks_fixture.h"

namespace {

using tables::FieldType;
using tables::FieldValue;
using testing_support::DomainRow;
using testing_support::RuleRow;
using testing_support::TestField;

using Counts = std::map<int, std::pair<std::int64_t, std::int64_t>>;

struct Column {
  tools::DbfFieldSpec shape;
  std::vector<std::string> values;  // what the records draw from
};

const std::vector<Column>& Columns() {
  static const std::vector<Column> columns{
      {{"MODALIDADE", 'C', 3, 0}, {"A", "B", "AB", "ABC", " A", ""}},
      {{"D_NASC", 'C', 8, 0}, {"00000000", "20240229", "20230229", "", "0000000", "2023 101"}},
      {{"TIPO_PROD", 'C', 1, 0}, {"1", "2", " ", "3"}},
      {{"COBERTURA", 'C', 2, 0}, {"1", "2", "01", "0", "00", " 1", ""}},
      {{"CEP", 'C', 8, 0}, {"01310100", "01310", "00000000", "", "0131", " 0131010"}},
      {{"CEP_PER", 'C', 8, 0}, {"01310100", "04500000", "00000000", "", "0450"}},
      {{"VAL_FRANQ", 'N', 6, 0}, {"", "0", "12", "1.5", "$1F", "-3", "abc", "000000"}},
      {{"PERC_FATOR", 'N', 5, 2}, {"", "0.00", "12.50", "1,5", "-0.5", "1e1"}},
      {{"COD_MODELO", 'C', 10, 0},
       {"ABCDEFGHIJ", "ABCDEFGHXX", "ABCDEFG", "0000000000", "", std::string("ABC\0EFGH", 8)}},
      {{"IS_CASCO", 'N', 11, 0}, {"", "0", "12345678901", "7"}},
      {{"DATA_NUM", 'N', 8, 0}, {"20240229", "0", "", "20230229"}},
      {{"DATA_NASC", 'C', 8, 0}, {"00000000", "20240101", ""}},
      // One-byte texts, whose domain answers the walk tabulates per byte (and per qualifier byte).
      {{"CLAS_BONUS", 'C', 1, 0}, {"A", "B", " ", "", std::string(1, '\0'), "\x01", "\xE9"}},
      {{"SEXO", 'C', 1, 0}, {"M", "F", " ", "\xE9", "\x20"}},
  };
  return columns;
}

int TypeCode(const tools::DbfFieldSpec& shape) {
  if (shape.type == 'C') return 1;
  if (shape.decimals > 0) return 6;
  return shape.length >= 10 ? 25 : 3;
}

class FieldChecksReferenceTest : public testing_support::FieldWalkTest {
 protected:
  // A random catalogue over `columns`, 120 records drawn from their values, walked; the counters
  // the walk left must be those of the keyed look-ups. `quick`: widths that are the field's own
  // and qualifiers among a few letters come more often (what the walk's quick tests pass).
  void CheckRound(const std::vector<Column>& columns, std::mt19937& rng, int round,
                  bool quick = false) {
    const auto pick = [&](std::size_t n) {
      return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
    };
    const auto chance = [&](int percent) { return static_cast<int>(pick(100)) < percent; };
    regional_ = round % 2 == 0 ? engine::Regional::PtBr() : engine::Regional::EnUs();
    const int table = chance(30) ? 2 : 1;
    const char* table_name = table == 1 ? testing_support::kRiscos : testing_support::kSinistros;

    std::vector<TestField> fields;
    std::vector<RuleRow> rules;
    std::vector<DomainRow> domains;
    for (const char* name : {testing_support::kRiscos, testing_support::kSinistros}) {
      RuleRow cod;
      cod.tabela = name;
      cod.campo = "COD_SEG";
      cod.tamanho = 5;
      cod.ordem = 1;
      rules.push_back(cod);
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const Column& column = columns[i];
      fields.push_back({column.shape, {}});
      if (chance(10)) continue;  // a position without a rule
      const int copies = chance(10) ? 2 : 1;
      for (int copy = 0; copy < copies; ++copy) {
        RuleRow r;
        r.tabela = table_name;
        r.campo = column.shape.name;
        r.tipo = TypeCode(column.shape);
        r.ordem = static_cast<int>(i) + 2;
        r.nulo = chance(50) ? 0 : 1;
        r.zerosesq = chance(40) ? 1 : 0;
        const int widths[] = {0, 1, 2, 5, 8, column.shape.length};
        r.tamanho = quick && chance(50) ? column.shape.length : widths[pick(6)];
        r.data = chance(quick ? 45 : 30) ? 1 : 0;
        r.zeros = chance(50) ? 1 : 0;
        r.dominio = chance(60) ? 1 : 0;
        if (r.dominio == 1 && chance(40)) {
          r.depende = chance(20) ? "NAO_HA" : columns[pick(columns.size())].shape.name;
          if (quick && chance(50)) {  // a one-byte qualifier, if there is one
            for (const Column& other : columns) {
              if (other.shape.length == 1 && other.shape.type == 'C') r.depende = other.shape.name;
            }
          }
          if (chance(30)) r.depende = " " + r.depende;
          if (chance(30)) {
            for (char& c : r.depende) c = static_cast<char>(std::tolower(c));
          }
        }
        rules.push_back(r);
        if (copy > 0 || r.dominio != 1) continue;
        // Allowed values drawn from the column's own values, qualified by the other field's.
        const bool postal = column.shape.name.find("CEP") != std::string::npos;
        for (const std::string& v : column.values) {
          if (!chance(50)) continue;
          DomainRow d;
          d.tabela = postal ? testing_support::kRiscos : table_name;
          d.campo = postal ? "CEP_UTIL" : column.shape.name;
          d.valor1 = std::string(engine::Trimmed(v)).substr(0, postal ? 5 : 10);
          if (column.shape.type == 'N' && chance(50)) d.valor1 = chance(50) ? "12,5" : "12.5";
          d.valor2 = chance(30) ? "A" : (chance(30) ? "AB" : (chance(30) ? "M" : ""));
          if (quick) d.valor2 = chance(50) ? "" : std::string(1, "AB12"[pick(4)]);
          domains.push_back(d);
          if (!quick || chance(50)) continue;
          d.valor2 = std::string(1, "AB12"[pick(4)]);  // the same value under a second qualifier
          domains.push_back(d);
        }
      }
    }
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), domains);
    engine::LoadRuleCatalog(ctx_);

    std::vector<std::vector<std::string>> records;
    for (int n = 0; n < 120; ++n) {
      std::vector<std::string> row{testing_support::kCompany};
      for (const Column& column : columns) row.push_back(column.values[pick(column.values.size())]);
      records.push_back(std::move(row));
    }
    ASSERT_TRUE(WalkRows(table, fields, records));
    EXPECT_EQ(state_.numRegistros, 120);
    const Counts stored = Stored();
    std::int64_t records_failed = 0;
    const Counts reference = Reference(&records_failed);
    EXPECT_EQ(stored, reference);
    EXPECT_EQ(state_.numRegistrosComFalha, records_failed);
  }

  // Counters by field position, computed with keyed lookups per field; `records_failed`: the
  // records where any of them grew.
  Counts Reference(std::int64_t* records_failed) {
    auto& dados = tables_.tbDados;
    auto& estrut = tables_.zelEstrutTab;
    auto& anexos = tables_.zelAnexos;
    const char sep = regional_.decimal_separator;
    const auto text_of = [&](int p) {
      const FieldValue v = dados.Value(p);
      return v.IsNull() ? std::string() : v.AsString(sep);
    };
    Counts counts;
    *records_failed = 0;
    for (dados.First(); !dados.Eof(); dados.Next()) {
      const Counts before = counts;
      std::string product = "2";
      for (int p = 0; p < dados.FieldCount(); ++p) {
        const tables::DbfField& field = dados.Fields(p);
        const std::string text = text_of(p);
        if (field.name == "TIPO_PROD") product = text;
        if (!estrut.FindKey({FieldValue::Int32(state_.numTabela), FieldValue::Int32(p + 1)})) {
          continue;
        }
        const auto is = [&](const char* column, int wanted) {
          return tables::ValuesEqual(estrut.GetFieldValue(column), FieldValue::Int32(wanted));
        };
        auto& [nulo, dom] = counts[p + 1];
        const std::string_view trimmed = engine::Trimmed(text);
        const FieldValue value = dados.Value(p);
        const bool zero_text = field.type == FieldType::kString
                                   ? text == std::string(static_cast<std::size_t>(field.size), '0')
                                   : (value.IsNumber() && value.AsDouble() == 0.0);
        if (is("nulo", 0)) {
          if (field.type != FieldType::kString) {
            if (dados.RawField(p).find_first_not_of(' ') == std::string_view::npos) ++nulo;
          } else if (is("tipo", 1) && trimmed.empty()) {
            ++nulo;
          }
        }
        if (is("zerosesq", 1)) {
          const FieldValue tamanho = estrut.GetFieldValue("tamanho");
          if (tamanho.IsNull() || static_cast<std::int64_t>(trimmed.size()) != tamanho.AsInt64()) {
            ++dom;
          }
        }
        if (is("data", 1) && !engine::ValidaData(ctx_, text)) {
          if (!is("zeros", 1) || !zero_text ||
              ((field.name == "D_NASC" || field.name == "DATA_NASC") && product == "2")) {
            ++dom;
          }
        }
        if (is("dominio", 1)) {
          const FieldValue depende = estrut.GetFieldValue("depende");
          const std::string d(engine::Trimmed(depende.IsNull() ? "" : depende.text()));
          std::string key2 = "  ";
          if (!d.empty()) {
            const int index = dados.FieldIndex(d);
            key2 = engine::PaddedTo(engine::Trimmed(index < 0 ? "" : text_of(index)), 2);
          }
          std::string key1;
          int table = state_.numTabela;
          int position = p + 1;
          if (field.name.find("CEP") != std::string::npos) {
            key1 = engine::PaddedTo(trimmed.substr(0, 5), 8);
            table = 1;
            position = 100;
          } else {
            key1 = engine::PaddedTo(trimmed, 8);
          }
          const bool found = anexos.FindKey({FieldValue::Int32(table), FieldValue::Int32(position),
                                             FieldValue::Text(key1), FieldValue::Text(key2)});
          if (!found &&
              (!is("zeros", 1) || !zero_text ||
               ((field.name == "CEP" || field.name == "CEP_UTIL" || field.name == "CEP_PER") &&
                product == "2"))) {
            ++dom;
          }
        }
      }
      if (counts != before) ++*records_failed;
    }
    return counts;
  }

  // The counters the walk left in the rule rows: the first row of each position (the one
  // FindKey answers); a later row of the same position must have stayed at 0.
  Counts Stored() {
    auto& estrut = tables_.zelEstrutTab;
    Counts counts;
    for (estrut.First(); !estrut.Eof(); estrut.Next()) {
      if (estrut.GetFieldValue("tabela").AsInt64() != state_.numTabela) continue;
      const int ordem = static_cast<int>(estrut.GetFieldValue("ordem").AsInt64());
      const std::pair<std::int64_t, std::int64_t> value{estrut.GetFieldValue("erroNulo").AsInt64(),
                                                        estrut.GetFieldValue("erroDom").AsInt64()};
      if (!counts.emplace(ordem, value).second) {
        EXPECT_EQ(value, std::make_pair(std::int64_t{0}, std::int64_t{0})) << "ordem " << ordem;
      }
    }
    return counts;
  }
};

TEST_F(FieldChecksReferenceTest, WalkAgreesWithKeyedLookups) {
  std::mt19937 rng(20240229);
  for (int round = 0; round < 16; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ctx_.walk_threads = round % 4 < 2 ? 1 : 2;  // on the walk's thread and on workers
    CheckRound(Columns(), rng, round);
  }
}

// Fields of every width from 1 to 20 whose bytes are drawn at random from blanks, digits, signs,
// decimal points, letters, control and 8-bit bytes (NUL bytes in some rounds only, as a record
// with one is read the general way), and values shaped as dates, numbers and zeros: each quick
// test of the word-wise walk against the keyed look-ups. Two threads in every other round.
TEST_F(FieldChecksReferenceTest, WordWiseWalkAgreesOnFieldsOfEveryWidth) {
  std::mt19937 rng(19700101);
  const auto pick = [&](std::size_t n) {
    return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
  };
  static const std::string kBytes = std::string(" 0123456789 0-+.,Ae\x01\x1F!\x7F\x80\xA0\xE9\xFF");
  // Names that the checks treat apart: the product type, a birth date, postal codes.
  static const char* const kNames[] = {"TIPO_PROD", "D_NASC", "CEP", "CEP_UTIL"};
  for (int round = 0; round < 48; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ctx_.walk_threads = round % 2 == 0 ? 1 : 2;
    const bool nul_bytes = round % 6 == 5;
    std::vector<Column> columns;
    for (int c = 0; c < 14; ++c) {
      Column column;
      const bool text = pick(3) != 0;
      // Widths of one and two bytes (the tabulated domains) come often; any up to 20 may.
      const int width =
          pick(3) == 0 ? static_cast<int>(pick(2)) + 1 : static_cast<int>(pick(20)) + 1;
      const int decimals = !text && width > 3 && pick(2) == 0 ? static_cast<int>(pick(3)) : 0;
      std::string name = "F" + std::to_string(c);
      if (c < 4 && pick(2) == 0) name = kNames[c];
      if (name == "TIPO_PROD") column.values = {"1", "2", " ", "3"};
      column.shape = {name, text ? 'C' : 'N', name == "TIPO_PROD" ? 1 : width, decimals};
      const std::size_t w = static_cast<std::size_t>(column.shape.length);
      // Most values vary one stem, so that keys share their starts and differ by a byte.
      std::string stem;
      for (std::size_t k = 0; k < w; ++k) stem += "AB12"[pick(4)];
      while (column.values.size() < 10) {
        std::string v;
        if (w <= 2) {  // few values, so that the tabulated answers are used again
          for (std::size_t k = 0; k < w; ++k) v += "A1 \xE9"[pick(4)];
          column.values.push_back(v);
          continue;
        }
        switch (pick(9)) {
          case 0:  // raw bytes filling the field
            for (std::size_t k = 0; k < w; ++k) v += kBytes[pick(kBytes.size())];
            if (nul_bytes && pick(4) == 0) v[pick(w)] = '\0';
            break;
          case 1:  // digits, padded by the writer (text to the right, numbers to the left)
            for (std::size_t k = pick(w) + 1; k > 0; --k) v += static_cast<char>('0' + pick(10));
            break;
          case 2:  // a date, plausible or not
            v = std::to_string(1890 + pick(150)) + std::to_string(100 + pick(14)).substr(1) +
                std::to_string(100 + pick(33)).substr(1);
            v = v.substr(0, w);
            break;
          case 3:
            v = std::string(w, pick(2) == 0 ? '0' : ' ');
            break;
          case 4:  // a signed or decimal number
            v = std::string(pick(2) == 0 ? "-" : "+") + std::to_string(pick(100)) + "." +
                std::to_string(pick(10));
            v = v.substr(0, w);
            break;
          case 5:  // the stem cut short, often to the five bytes a postal code is looked up by
            v = stem.substr(0, pick(2) == 0 ? 5 : pick(w + 1));
            break;
          case 6:  // the stem with one byte changed
            v = stem;
            v[pick(w)] = kBytes[pick(kBytes.size())];
            break;
          default:
            v = stem;
        }
        column.values.push_back(v);
      }
      columns.push_back(std::move(column));
    }
    CheckRound(columns, rng, round, true);
  }
}

}  // namespace

namespace {

// The domain table against a std::set model, through its growth.
TEST(FieldDomainTest, AgreesWithASetModel) {
  std::mt19937 rng(7);
  const auto key = [&](std::uint32_t n) {
    std::string k = std::to_string(n % 4000);
    k.resize(10, ' ');
    if (n % 3 == 0) k[9] = 'A';
    return k;
  };
  engine::FieldDomain domain;
  std::set<std::string> model;
  for (int n = 0; n < 3000; ++n) {
    const std::string k = key(static_cast<std::uint32_t>(rng()));
    domain.Insert(engine::FieldDomain::PackValor1(std::string_view(k).substr(0, 8)),
                  engine::FieldDomain::PackValor2(std::string_view(k).substr(8)));
    model.insert(k);
    if (n % 100 == 0) {
      for (int probe = 0; probe < 200; ++probe) {
        const std::string q = key(static_cast<std::uint32_t>(rng()));
        const bool found =
            domain.Contains(engine::FieldDomain::PackValor1(std::string_view(q).substr(0, 8)),
                            engine::FieldDomain::PackValor2(std::string_view(q).substr(8)));
        ASSERT_EQ(found, model.count(q) == 1) << q;
      }
    }
  }
  EXPECT_EQ(domain.size(), model.size());
}

}  // namespace
