#include "outputs/finding_message.h"

#include <optional>

#include "engine/field_checks.h"
#include "engine/text.h"

namespace engine {
namespace {

// The templates' fixed words, converted once from this file's UTF-8. Values stand between
// typographic quotes, which a CSV field need not quote.
struct Words {
  std::string campo = Ansi("O campo ");
  std::string vazio = Ansi(" está vazio, mas é obrigatório.");
  std::string tem = Ansi(" tem “");
  std::string com = Ansi("” com ");
  std::string caracteres = Ansi(" caracteres, mas o catálogo exige ");
  std::string sem_tamanho = Ansi(" caracteres, e o catálogo não dá o tamanho exigido.");
  std::string nao_data = Ansi("”, que não é uma data existente na forma AAAAMMDD.");
  std::string vazio_data =
      Ansi(" está vazio, mas precisa ter uma data existente na forma AAAAMMDD.");
  std::string ano_fora = Ansi("”, com o ano fora do intervalo aceito, de ");
  std::string a = Ansi(" a ");
  std::string vazio_dominio = Ansi(" está vazio, mas precisa ter um dos valores permitidos");
  std::string o_valor = Ansi("O valor “");
  std::string do_campo = Ansi("” do campo ");
  std::string fora_dominio = Ansi(" não está entre os valores permitidos");
  std::string para = Ansi(" para ");
  std::string do_arquivo = Ansi(" do arquivo");
  std::string na_posicao_arquivo = Ansi("O campo na posição ");
  std::string do_arquivo_e = Ansi(" do arquivo é ");
  std::string na_posicao = Ansi(" (posição ");
  std::string espera = Ansi(", mas o catálogo espera ");
  std::string catalogo_espera = Ansi("O catálogo espera o campo ");
  std::string que_falta = Ansi(", que o arquivo não tem.");
  std::string fora_catalogo = Ansi(") não está no catálogo.");
  std::string tipo = Ansi(" (tipo ");
  std::string tamanho = Ansi(", tamanho ");
  std::string codigo = Ansi("O código de empresa “");
  std::string difere = Ansi(" difere do código da crítica, “");
  std::string parou = Ansi("”, e a leitura do arquivo parou neste registro.");
  std::string sinistro = Ansi("O sinistro da apólice “");
  std::string item = Ansi("”, item “");
  std::string sem_risco = Ansi("”, não tem risco com a mesma apólice e item no arquivo de riscos.");
  std::string vigencia = Ansi("A vigência termina em “");
  std::string antes = Ansi("”, antes de começar em “");
  std::string sem_fim = Ansi("A vigência não tem data de fim (começa em “");
  std::string fecha_parenteses = Ansi("”).");
  std::string data = Ansi("AAAAMMDD, data existente");
  std::string igual = Ansi(" = “");
  std::string fecha = Ansi("”");
  std::string cabecalho = Ansi("O cabeçalho do arquivo anuncia ");
  std::string registros_contem = Ansi(" registros, mas o arquivo contém ");
  std::string truncado = Ansi(": o arquivo pode ter sido cortado ou danificado.");
  std::string bytes_finais = Ansi(
      " bytes depois do último registro, que não formam um registro nem são a marca de fim "
      "de arquivo: o arquivo pode ter sido danificado ou emendado.");
  std::string cabecalho_declara = Ansi("O cabeçalho declara ");
  std::string menos_que = Ansi(" bytes, menos que os ");
  std::string descricao =
      Ansi(" da descrição dos campos; os registros foram lidos logo após esses ");
  std::string bytes = Ansi(" bytes.");
};

const Words& W() {
  static const Words words;
  return words;
}

void AppendNumber(std::string& out, std::int64_t value) { out += std::to_string(value); }

void AppendShape(std::string& out, const FieldShape& shape) {
  out += shape.name;
  out += W().tipo;
  if (shape.type) AppendNumber(out, *shape.type);
  out += W().tamanho;
  if (shape.size) AppendNumber(out, *shape.size);
  out += ')';
}

// A date the check refused for its year alone; the other refusals are not dates at all.
bool YearOutOfRange(const FieldFinding& f) {
  if (f.latest_year == 0) return false;  // the run's year is not known
  const std::optional<int> year = DateYear(f.text);
  return year && (*year < kFirstDateYear || *year > f.latest_year);
}

void AppendQualifier(std::string& out, const FieldFinding& f) {
  if (f.depende.empty()) return;
  out += W().para;
  out += f.depende;
  out += W().igual;
  out += f.qualifier;
  out += W().fecha;
}

}  // namespace

std::string_view DateRequirement() { return W().data; }

void AppendFieldMessage(std::string& out, const FieldFinding& f) {
  const std::string_view value = TrimmedRight(f.text);
  switch (f.check) {
    case FindingCheck::kNulo:
      out += W().campo;
      out += f.field;
      out += W().vazio;
      return;
    case FindingCheck::kTamanho:
      out += W().campo;
      out += f.field;
      out += W().tem;
      out += value;
      out += W().com;
      AppendNumber(out, static_cast<std::int64_t>(Trimmed(f.text).size()));
      if (f.width) {
        out += W().caracteres;
        AppendNumber(out, *f.width);
        out += '.';
      } else {
        out += W().sem_tamanho;
      }
      return;
    case FindingCheck::kData:
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
        AppendNumber(out, kFirstDateYear);
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

void AppendFieldRequirement(std::string& out, const FieldFinding& f) {
  switch (f.check) {
    case FindingCheck::kTamanho:
      if (f.width) AppendNumber(out, *f.width);
      return;
    case FindingCheck::kData:
      out += W().data;
      return;
    case FindingCheck::kDominio:
      out += f.Allowed();
      return;
    default:
      return;
  }
}

void AppendStructureMessage(std::string& out, const StructureFinding& f) {
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
  out += TrimmedRight(text);
  out += W().do_campo;
  out += field;
  out += W().difere;
  out += TrimmedRight(expected);
  out += W().parou;
}

void AppendClaimWithoutPolicyMessage(std::string& out, std::string_view apolice,
                                     std::string_view item) {
  out += W().sinistro;
  out += TrimmedRight(apolice);
  out += W().item;
  out += TrimmedRight(item);
  out += W().sem_risco;
}

void AppendCoverageInvertedMessage(std::string& out, std::string_view inicio_vig,
                                   std::string_view fim_vig) {
  if (TrimmedRight(fim_vig).empty()) {
    out += W().sem_fim;
    out += TrimmedRight(inicio_vig);
    out += W().fecha_parenteses;
    return;
  }
  out += W().vigencia;
  out += TrimmedRight(fim_vig);
  out += W().antes;
  out += TrimmedRight(inicio_vig);
  out += W().fecha;
  out += '.';
}

void AppendTrailingBytesMessage(std::string& out, const HeaderFinding& finding) {
  out += "O arquivo tem ";
  out += std::to_string(finding.trailing_bytes);
  out += W().bytes_finais;
}

void AppendShortHeaderMessage(std::string& out, const HeaderFinding& finding) {
  out += W().cabecalho_declara;
  AppendNumber(out, finding.header_length);
  out += W().menos_que;
  out += std::to_string(finding.descriptors_end);
  out += W().descricao;
  AppendNumber(out, finding.header_length);
  out += W().bytes;
}

void AppendHeaderMessage(std::string& out, const HeaderFinding& finding) {
  out += W().cabecalho;
  AppendNumber(out, finding.header_records);
  out += W().registros_contem;
  out += std::to_string(finding.file_records);
  out += W().truncado;
}

}  // namespace engine
