#include "outputs/finding_message.h"

#include <optional>

#include "engine/field_checks.h"
#include "engine/text.h"

namespace outputs {
namespace {

// The templates' fixed words, converted once from this file's UTF-8. Values stand between
// typographic quotes, which a CSV field need not quote.
struct Words {
  std::string campo = engine::Ansi("O campo ");
  std::string vazio = engine::Ansi(" está vazio, mas é obrigatório.");
  std::string tem = engine::Ansi(" tem “");
  std::string com = engine::Ansi("” com ");
  std::string caracteres = engine::Ansi(" caracteres, mas o catálogo exige ");
  std::string sem_tamanho = engine::Ansi(" caracteres, e o catálogo não dá o tamanho exigido.");
  std::string nao_data = engine::Ansi("”, que não é uma data existente na forma AAAAMMDD.");
  std::string vazio_data =
      engine::Ansi(" está vazio, mas precisa ter uma data existente na forma AAAAMMDD.");
  std::string ano_fora = engine::Ansi("”, com o ano fora do intervalo aceito, de ");
  std::string a = engine::Ansi(" a ");
  std::string vazio_dominio =
      engine::Ansi(" está vazio, mas precisa ter um dos valores permitidos");
  std::string o_valor = engine::Ansi("O valor “");
  std::string do_campo = engine::Ansi("” do campo ");
  std::string fora_dominio = engine::Ansi(" não está entre os valores permitidos");
  std::string para = engine::Ansi(" para ");
  std::string do_arquivo = engine::Ansi(" do arquivo");
  std::string na_posicao_arquivo = engine::Ansi("O campo na posição ");
  std::string do_arquivo_e = engine::Ansi(" do arquivo é ");
  std::string na_posicao = engine::Ansi(" (posição ");
  std::string espera = engine::Ansi(", mas o catálogo espera ");
  std::string catalogo_espera = engine::Ansi("O catálogo espera o campo ");
  std::string que_falta = engine::Ansi(", que o arquivo não tem.");
  std::string fora_catalogo = engine::Ansi(") não está no catálogo.");
  std::string tipo = engine::Ansi(" (tipo ");
  std::string tamanho = engine::Ansi(", tamanho ");
  std::string codigo = engine::Ansi("O código de empresa “");
  std::string difere = engine::Ansi(" difere do código da crítica, “");
  std::string parou = engine::Ansi("”, e a leitura do arquivo parou neste registro.");
  std::string sinistro = engine::Ansi("O sinistro da apólice “");
  std::string item = engine::Ansi("”, item “");
  std::string sem_risco =
      engine::Ansi("”, não tem risco com a mesma apólice e item no arquivo de riscos.");
  std::string vigencia = engine::Ansi("A vigência termina em “");
  std::string antes = engine::Ansi("”, antes de começar em “");
  std::string sem_fim = engine::Ansi("A vigência não tem data de fim (começa em “");
  std::string fecha_parenteses = engine::Ansi("”).");
  std::string data = engine::Ansi("AAAAMMDD, data existente");
  std::string igual = engine::Ansi(" = “");
  std::string fecha = engine::Ansi("”");
  std::string cabecalho = engine::Ansi("O cabeçalho do arquivo anuncia ");
  std::string registros_contem = engine::Ansi(" registros, mas o arquivo contém ");
  std::string truncado = engine::Ansi(": o arquivo pode ter sido cortado ou danificado.");
  std::string bytes_finais = engine::Ansi(
      " bytes depois do último registro, que não formam um registro nem são a marca de fim "
      "de arquivo: o arquivo pode ter sido danificado ou emendado.");
  std::string cabecalho_declara = engine::Ansi("O cabeçalho declara ");
  std::string menos_que = engine::Ansi(" bytes, menos que os ");
  std::string descricao =
      engine::Ansi(" da descrição dos campos; os registros foram lidos logo após esses ");
  std::string bytes = engine::Ansi(" bytes.");
};

const Words& W() {
  static const Words words;
  return words;
}

void AppendNumber(std::string& out, std::int64_t value) { out += std::to_string(value); }

void AppendShape(std::string& out, const engine::FieldShape& shape) {
  out += shape.name;
  out += W().tipo;
  if (shape.type) AppendNumber(out, *shape.type);
  out += W().tamanho;
  if (shape.size) AppendNumber(out, *shape.size);
  out += ')';
}

// A date the check refused for its year alone; the other refusals are not dates at all.
bool YearOutOfRange(const engine::FieldFinding& f) {
  if (f.latest_year == 0) return false;  // the run's year is not known
  const std::optional<int> year = engine::DateYear(f.text);
  return year && (*year < engine::kFirstDateYear || *year > f.latest_year);
}

void AppendQualifier(std::string& out, const engine::FieldFinding& f) {
  if (f.depende.empty()) return;
  out += W().para;
  out += f.depende;
  out += W().igual;
  out += f.qualifier;
  out += W().fecha;
}

}  // namespace

std::string_view DateRequirement() { return W().data; }

void AppendFieldMessage(std::string& out, const engine::FieldFinding& f) {
  const std::string_view value = engine::TrimmedRight(f.text);
  switch (f.check) {
    case engine::FindingCheck::kNulo:
      out += W().campo;
      out += f.field;
      out += W().vazio;
      return;
    case engine::FindingCheck::kTamanho:
      out += W().campo;
      out += f.field;
      out += W().tem;
      out += value;
      out += W().com;
      AppendNumber(out, static_cast<std::int64_t>(engine::Trimmed(f.text).size()));
      if (f.width) {
        out += W().caracteres;
        AppendNumber(out, *f.width);
        out += '.';
      } else {
        out += W().sem_tamanho;
      }
      return;
    case engine::FindingCheck::kData:
      out += W().campo;
      out += f.field;
      if (value.empty()) {
        out += W().vazio_data;
        return;
      }
      out += W().tem;
      out += value;
      if (YearOutOfRange(f)) {
        out += W().ano_fora;
        AppendNumber(out, engine::kFirstDateYear);
        out += W().a;
        AppendNumber(out, f.latest_year);
        out += '.';
      } else {
        out += W().nao_data;
      }
      return;
    default:  // kDominio; the other kinds are not field checks
      if (value.empty()) {
        out += W().campo;
        out += f.field;
        out += W().vazio_dominio;
      } else {
        out += W().o_valor;
        out += value;
        out += W().do_campo;
        out += f.field;
        out += W().fora_dominio;
      }
      AppendQualifier(out, f);
      out += '.';
      return;
  }
}

void AppendFieldRequirement(std::string& out, const engine::FieldFinding& f) {
  switch (f.check) {
    case engine::FindingCheck::kTamanho:
      if (f.width) AppendNumber(out, *f.width);
      return;
    case engine::FindingCheck::kData:
      out += W().data;
      return;
    case engine::FindingCheck::kDominio:
      out += f.Allowed();
      return;
    default:
      return;
  }
}

void AppendStructureMessage(std::string& out, const engine::StructureFinding& f) {
  const auto position = [&] {
    if (f.position) AppendNumber(out, *f.position);
  };
  if (f.expected && f.found) {
    out += W().na_posicao_arquivo;
    position();
    out += W().do_arquivo_e;
    AppendShape(out, *f.found);
    out += W().espera;
    AppendShape(out, *f.expected);
    out += '.';
  } else if (f.expected) {
    out += W().catalogo_espera;
    AppendShape(out, *f.expected);
    out += W().na_posicao;
    position();
    out += ')';
    out += W().que_falta;
  } else if (f.found) {
    out += W().campo;
    AppendShape(out, *f.found);
    out += W().do_arquivo;
    out += W().na_posicao;
    position();
    out += W().fora_catalogo;
  }
}

void AppendCompanyMessage(std::string& out, std::string_view field, std::string_view text,
                          std::string_view expected) {
  out += W().codigo;
  out += engine::TrimmedRight(text);
  out += W().do_campo;
  out += field;
  out += W().difere;
  out += engine::TrimmedRight(expected);
  out += W().parou;
}

void AppendClaimWithoutPolicyMessage(std::string& out, std::string_view apolice,
                                     std::string_view item) {
  out += W().sinistro;
  out += engine::TrimmedRight(apolice);
  out += W().item;
  out += engine::TrimmedRight(item);
  out += W().sem_risco;
}

void AppendCoverageInvertedMessage(std::string& out, std::string_view inicio_vig,
                                   std::string_view fim_vig) {
  if (engine::TrimmedRight(fim_vig).empty()) {
    out += W().sem_fim;
    out += engine::TrimmedRight(inicio_vig);
    out += W().fecha_parenteses;
    return;
  }
  out += W().vigencia;
  out += engine::TrimmedRight(fim_vig);
  out += W().antes;
  out += engine::TrimmedRight(inicio_vig);
  out += W().fecha;
  out += '.';
}

void AppendTrailingBytesMessage(std::string& out, const engine::HeaderFinding& finding) {
  out += "O arquivo tem ";
  out += std::to_string(finding.trailing_bytes);
  out += W().bytes_finais;
}

void AppendShortHeaderMessage(std::string& out, const engine::HeaderFinding& finding) {
  out += W().cabecalho_declara;
  AppendNumber(out, finding.header_length);
  out += W().menos_que;
  out += std::to_string(finding.descriptors_end);
  out += W().descricao;
  AppendNumber(out, finding.header_length);
  out += W().bytes;
}

void AppendHeaderMessage(std::string& out, const engine::HeaderFinding& finding) {
  out += W().cabecalho;
  AppendNumber(out, finding.header_records);
  out += W().registros_contem;
  out += std::to_string(finding.file_records);
  out += W().truncado;
}

}  // namespace outputs
