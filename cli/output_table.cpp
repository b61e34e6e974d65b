#include "cli/output_table.h"

#include "cli/output_steps.h"
#include "cmdline/output_file.h"
#include "outputs/record_extract.h"
#include "outputs/xlsx_workbook.h"

namespace cli {
namespace {

constexpr std::string_view kReportUsage =
    "  --saida ARQUIVO       grava o relatório como a exportação da janela (Windows-1252, CR LF);\n"
    "                        sem esta opção o relatório vai para a saída padrão em UTF-8\n";

// With the option that limits the list.
constexpr std::string_view kDetailsUsage =
    "  --detalhes ARQUIVO    grava cada falha encontrada, uma por linha, em CSV para planilhas\n"
    "                        (separador ;, Windows-1252, CR LF, linha de cabeçalho): arquivo,\n"
    "                        número físico do registro (contando os excluídos), posição, campo,\n"
    "                        verificação (nulo, tamanho, data, dominio, estrutura, empresa,\n"
    "                        sem_apolice, vigencia_invertida), valor e valor relacionado; na\n"
    "                        estrutura, nome, tipo e tamanho esperados e encontrados; apólice,\n"
    "                        endosso e item do registro; a mensagem e o exigido pela regra\n"
    "                        ARQUIVO terminado em .xlsx: uma planilha do Excel, uma aba por\n"
    "                        arquivo de entrada (continuada em outra aba depois de 1.048.576\n"
    "                        linhas), textos como texto, colunas na largura dos textos; a\n"
    "                        primeira aba, Resumo, traz o veredito, os motivos, os avisos e os\n"
    "                        registros e falhas de cada arquivo\n"
    "  --max-detalhes N      no máximo N linhas por campo e verificação (padrão: sem limite);\n"
    "                        a última linha de uma lista limitada diz quantas ficaram de fora\n";

constexpr std::string_view kJsonUsage =
    "  --json ARQUIVO        grava o resultado da crítica em JSON (UTF-8): entradas, empresa,\n"
    "                        registros e contadores por tabela e campo, sinistros sem apólice,\n"
    "                        vigências invertidas, conciliação, veredito, erro, início e fim\n";

constexpr std::string_view kHtmlUsage =
    "  --html ARQUIVO        grava uma página HTML com o veredito, os contadores de cada campo em\n"
    "                        barras, os valores que mais falham, os sinistros sem apólice, as\n"
    "                        vigências invertidas, a conciliação e o erro, se houve\n";

constexpr std::string_view kExtractUsage =
    "  --extrato ARQUIVO     grava os registros que falharam em alguma crítica, em CSV como\n"
    "                        --detalhes: ARQUIVO recebe os riscos e ARQUIVO com -sinistros antes\n"
    "                        da extensão os sinistros; colunas arquivo, registro, os campos do\n"
    "                        arquivo na ordem do arquivo e falhas (pares CAMPO:verificacao)\n"
    "                        ARQUIVO terminado em .xlsx: uma planilha do Excel só, uma aba por\n"
    "                        arquivo de entrada (continuada como em --detalhes), cada campo como\n"
    "                        texto, como gravado (zeros à esquerda e 76.00 ficam como estão)\n";

// The extract's CSV puts the claims in a second file; a workbook holds both.
std::vector<std::string> ExtractFiles(const std::string& path) {
  if (path == cmdline::kStandardOutput || outputs::IsXlsxPath(path)) return {path};
  return {path, outputs::RecordExtract::ClaimsPath(path)};
}

// The failure list finishes first: the JSON result tells its total. The extract's message comes
// before the page's, and the report is written last, after every output beside it.
constexpr OutputEntry kOutputs[] = {
    {.option = "--saida",
     .path = &CliOptions::saida,
     .usage = kReportUsage,
     .standard_output_by_default = "o relatório",
     .open = OpenReport,
     .finish_turn = 5},
    {.option = "--detalhes",
     .path = &CliOptions::detalhes,
     .usage = kDetailsUsage,
     .workbook = "a lista de falhas",
     .open = OpenDetails,
     .finish_turn = 1},
    {.option = "--json",
     .path = &CliOptions::json,
     .usage = kJsonUsage,
     .open = OpenJson,
     .finish_turn = 2},
    {.option = "--html",
     .path = &CliOptions::html,
     .usage = kHtmlUsage,
     .open = OpenHtml,
     .finish_turn = 4},
    {.option = "--extrato",
     .path = &CliOptions::extrato,
     .usage = kExtractUsage,
     .workbook = "o extrato",
     .files = ExtractFiles,
     .open = OpenExtract,
     .finish_turn = 3},
};

}  // namespace

std::span<const OutputEntry> OutputTable() { return kOutputs; }

bool Written(const OutputEntry& entry, const CliOptions& options) {
  return !(options.*entry.path).empty() || !entry.standard_output_by_default.empty();
}

std::vector<std::string> WrittenFiles(const OutputEntry& entry, const CliOptions& options) {
  const std::string& path = options.*entry.path;
  return entry.files != nullptr ? entry.files(path) : std::vector<std::string>{path};
}

}  // namespace cli
