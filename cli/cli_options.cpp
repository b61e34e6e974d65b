#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "cmdline/option_parser.h"
#include "cmdline/output_file.h"
#include "cmdline/output_rules.h"
#include "engine/regional.h"
#include "engine/run_inputs.h"
#include "outputs/findings_xlsx.h"
#include "outputs/record_extract.h"
#include "platform/path_separator.h"
#include "platform/program_folder.h"

#ifndef TALMERO_VERSION
#define TALMERO_VERSION "0"
#endif

namespace cli {
namespace {

constexpr const char* kUsage =
    "Uso: talmero-criticar [opções]\n"
    "\n"
    "Critica o arquivo de riscos e o arquivo de sinistros (tabelas dBase III) com o catálogo de\n"
    "regras e escreve o relatório da crítica.\n"
    "\n"
    "Opções (o valor vem depois de um espaço ou de =, como em --saida=relatorio.txt):\n"
    "  --riscos ARQUIVO      arquivo de riscos (omitido: vazio)\n"
    "  --sinistros ARQUIVO   arquivo de sinistros (omitido: vazio)\n"
    "  --catalogo PASTA      pasta de tabelas.dbf, anexos.dbf e DadosKov.DBF, onde também é\n"
    "                        criado o índice temporário (padrão: a pasta do programa)\n"
    "  --regional NOME       pt_BR, en_US ou sistema (padrão: sistema)\n"
    "  --saida ARQUIVO       grava o relatório como a exportação da janela (Windows-1252, CR LF);\n"
    "                        sem esta opção o relatório vai para a saída padrão em UTF-8\n"
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
    "                        a última linha de uma lista limitada diz quantas ficaram de fora\n"
    "  --json ARQUIVO        grava o resultado da crítica em JSON (UTF-8): entradas, empresa,\n"
    "                        registros e contadores por tabela e campo, sinistros sem apólice,\n"
    "                        vigências invertidas, conciliação, veredito, erro, início e fim\n"
    "  --html ARQUIVO        grava uma página HTML com o veredito, os contadores de cada campo em\n"
    "                        barras, os valores que mais falham, os sinistros sem apólice, as\n"
    "                        vigências invertidas, a conciliação e o erro, se houve\n"
    "  --extrato ARQUIVO     grava os registros que falharam em alguma crítica, em CSV como\n"
    "                        --detalhes: ARQUIVO recebe os riscos e ARQUIVO com -sinistros antes\n"
    "                        da extensão os sinistros; colunas arquivo, registro, os campos do\n"
    "                        arquivo na ordem do arquivo e falhas (pares CAMPO:verificacao)\n"
    "                        ARQUIVO terminado em .xlsx: uma planilha do Excel só, uma aba por\n"
    "                        arquivo de entrada (continuada como em --detalhes), cada campo como\n"
    "                        texto, como gravado (zeros à esquerda e 76.00 ficam como estão)\n"
    "  --sem-avisos-de-data  não escreve as linhas \"Data Inválida : \" na saída de erros (os\n"
    "                        contadores e a lista de falhas não mudam)\n"
    "  --progresso           mostra na saída de erros uma linha com a fase da crítica e a parte\n"
    "                        do arquivo já lida, mesmo quando a saída de erros não é um\n"
    "                        terminal (num terminal ela aparece sem esta opção)\n"
    "  --sem-progresso       não mostra essa linha (prevalece sobre --progresso)\n"
    "  --nucleos N           verifica os campos em N linhas de execução e, com 2 ou mais, soma e\n"
    "                        ordena as chaves em outras; 1 faz tudo numa só (padrão: os núcleos\n"
    "                        da máquina, até 8); o resultado é o mesmo\n"
    "  --estrito             sai com 3 quando o veredito é rejeitado\n"
    "  --limite-falhas PCT   rejeita quando o ErroNulo % ou o ErroDom % de um campo passa de PCT\n"
    "  --limite-sem-apolice PCT\n"
    "                        rejeita quando os sinistros sem apólice passam de PCT %\n"
    "  --tolerancia PCT      rejeita quando uma diferença da conciliação fica fora de ±PCT %\n"
    "  --version             mostra a versão\n"
    "  --help                mostra este texto\n"
    "\n"
    "Com - como ARQUIVO, --detalhes, --json, --html e --extrato escrevem na saída padrão; então o "
    "relatório "
    "precisa\n"
    "de --saida, e só uma saída pode usar a saída padrão. Duas saídas no mesmo arquivo, ou uma\n"
    "saída sobre um arquivo lido pela crítica (as entradas, tabelas.dbf, anexos.dbf,\n"
    "DadosKov.DBF; também por outro nome ou por um link), são uso incorreto: nada é gravado.\n"
    "Cada arquivo de saída é gravado num arquivo temporário da sua pasta e só substitui o\n"
    "arquivo de mesmo nome quando completo: uma falha ou interrupção não deixa saída parcial\n"
    "nem estraga o arquivo anterior.\n"
    "\n"
    "Veredito (no JSON, em \"veredito\"): erro quando um erro interrompeu a crítica; rejeitado\n"
    "quando um arquivo falha na estrutura, tem mais de uma empresa ou não tem registros, falta\n"
    "o caminho de um arquivo, a empresa não está em DadosKov.DBF, há vigência invertida ou o\n"
    "cabeçalho de uma entrada anuncia outro número de registros do que o arquivo contém (o\n"
    "arquivo foi cortado ou danificado: \"aviso: ...\" na saída de erros, cabecalho no JSON e\n"
    "na lista de falhas), e,\n"
    "só quando o limite é dado, quando um campo passa de --limite-falhas, os sinistros sem\n"
    "apólice passam de --limite-sem-apolice ou uma diferença da conciliação fica fora de\n"
    "--tolerancia (div por zero conta como fora quando o valor de DadosKov não é 0);\n"
    "aceitavel nos demais casos. Sem limite, cada contador não nulo é um aviso. A porcentagem\n"
    "é a exata (falhas x 100 / registros, sem arredondar); um valor igual ao limite passa. PCT\n"
    "aceita . ou , como separador decimal e um % no fim (2% é o mesmo que 2). Num terminal, a\n"
    "última linha da saída de erros é o veredito, com os tipos dos motivos contados, como\n"
    "\"Veredito: rejeitado (vigencia_invertida, falhas_campo ×31)\"; num pipe ela não aparece.\n"
    "\n"
    "Saída: 0 quando a crítica chegou ao fim; 1 quando um erro a interrompeu (a mensagem vai\n"
    "para a saída de erros) ou um arquivo de saída não pôde ser gravado; 2 para uso incorreto;\n"
    "3 com --estrito quando o veredito é rejeitado; 130 (SIGINT), 143 (SIGTERM) ou 129 (SIGHUP,\n"
    "o terminal fechado) quando a crítica é interrompida: o índice e as saídas temporárias são\n"
    "apagados, e esse status vale sobre qualquer outro. Quando várias coisas falham, todas as\n"
    "mensagens são escritas, a da crítica primeiro; uma falha ao escrever na saída padrão é um\n"
    "erro (status 1), como a memória ou uma linha de execução que o sistema recusa.\n";

bool ParseCount(const std::string& text, std::int64_t* value) {
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, *value);
  return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end && *value >= 0;
}

// Outputs that clash (cmdline/output_rules.h): the report is on standard output when --saida is
// absent, and a CSV extract writes its claims to a second file.
bool CheckOutputs(const CliOptions& o, std::string* error) {
  std::vector<cmdline::NamedOutput> outputs;
  if (!o.saida.empty()) outputs.push_back({"--saida", o.saida});
  if (!o.detalhes.empty()) outputs.push_back({"--detalhes", o.detalhes});
  if (!o.json.empty()) outputs.push_back({"--json", o.json});
  if (!o.html.empty()) outputs.push_back({"--html", o.html});
  if (!o.extrato.empty()) {
    outputs.push_back({"--extrato", o.extrato});
    if (o.extrato != cmdline::kStandardOutput && !outputs::IsXlsxPath(o.extrato)) {
      outputs.push_back({"--extrato", outputs::RecordExtract::ClaimsPath(o.extrato)});
    }
  }
  return cmdline::CheckOutputs(outputs,
                               engine::RunInputFiles(CatalogueFolder(o), o.riscos, o.sinistros),
                               o.saida.empty() ? "o relatório" : "", error);
}

// The options whose values are checked after parsing, as typed.
struct TypedValues {
  std::string max_detalhes;
  std::string nucleos;
  std::string limite_falhas;
  std::string limite_sem_apolice;
  std::string tolerancia;
};

// Every option of the runner: the one list of them. The usage text and the manual page are
// checked against it (OptionNames()).
void DeclareOptions(CLI::App& app, CliOptions* options, TypedValues* typed) {
  app.add_option("--riscos", options->riscos);
  app.add_option("--sinistros", options->sinistros);
  app.add_option("--catalogo", options->catalogo);
  app.add_option("--regional", options->regional);
  app.add_option("--saida", options->saida);
  app.add_option("--detalhes", options->detalhes);
  app.add_option("--max-detalhes", typed->max_detalhes);
  app.add_option("--nucleos", typed->nucleos);
  app.add_option("--json", options->json);
  app.add_option("--html", options->html);
  app.add_option("--extrato", options->extrato);
  app.add_option("--limite-falhas", typed->limite_falhas);
  app.add_option("--limite-sem-apolice", typed->limite_sem_apolice);
  app.add_option("--tolerancia", typed->tolerancia);
  app.add_flag("--estrito", options->estrito);
  app.add_flag("--sem-avisos-de-data", options->sem_avisos_de_data);
  app.add_flag("--progresso", options->progresso);
  app.add_flag("--sem-progresso", options->sem_progresso);
  app.add_flag("-h,--help", options->help);
  app.add_flag("--version", options->version);
}

}  // namespace

const char* UsageText() { return kUsage; }

std::string VersionText() { return std::string("talmero-criticar ") + TALMERO_VERSION; }

std::string CatalogueFolder(const CliOptions& options) {
  return platform::WithTrailingSeparator(options.catalogo.empty() ? platform::ExecutableFolder()
                                                                  : options.catalogo);
}

std::vector<std::string> OptionNames() {
  CLI::App app("talmero-criticar");
  cmdline::PrepareApp(app);
  CliOptions options;
  TypedValues typed;
  DeclareOptions(app, &options, &typed);
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options,
                     std::string* error) {
  CLI::App app("talmero-criticar");
  cmdline::PrepareApp(app);
  TypedValues typed;
  DeclareOptions(app, options, &typed);
  const std::string& max_detalhes = typed.max_detalhes;
  const std::string& nucleos = typed.nucleos;
  std::vector<std::string> extras;
  if (!cmdline::ParseApp(app, args, &extras, error)) return false;
  if (!extras.empty()) {
    *error = "opção desconhecida: " + extras.front();
    return false;
  }
  if (options->help || options->version) return true;

  if (!max_detalhes.empty() || app.count("--max-detalhes") > 0) {
    if (!ParseCount(max_detalhes, &options->max_detalhes)) {
      *error = "valor inválido de --max-detalhes: " + max_detalhes;
      return false;
    }
  }
  if (app.count("--nucleos") > 0) {
    std::int64_t threads = 0;
    if (!ParseCount(nucleos, &threads) || threads < 1) {
      *error = "valor inválido de --nucleos: " + nucleos;
      return false;
    }
    options->nucleos = static_cast<int>(std::min<std::int64_t>(threads, 64));
  }
  const std::pair<const char*, std::pair<const std::string*, std::optional<engine::Percent>*>>
      limits[] = {
          {"--limite-falhas", {&typed.limite_falhas, &options->limites.falhas}},
          {"--limite-sem-apolice", {&typed.limite_sem_apolice, &options->limites.sem_apolice}},
          {"--tolerancia", {&typed.tolerancia, &options->limites.tolerancia}},
      };
  for (const auto& [name, target] : limits) {
    if (app.count(name) == 0) continue;
    // A limit is a percentage, so "2%" is written as often as "2".
    std::string_view text = *target.first;
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    engine::Percent percent;
    if (!engine::ParsePercent(text, &percent)) {
      *error = std::string("valor inválido de ") + name + ": " + *target.first +
               " (uma porcentagem, com . ou , antes dos decimais)";
      return false;
    }
    *target.second = percent;
  }
  if (options->max_detalhes >= 0 && options->detalhes.empty()) {
    *error = "--max-detalhes exige --detalhes";
    return false;
  }
  if (outputs::IsXlsxPath(options->extrato) && !outputs::XlsxAvailable()) {
    *error =
        "o extrato em .xlsx não existe nesta versão do programa (Windows): use um arquivo .csv "
        "em --extrato";
    return false;
  }
  if (outputs::IsXlsxPath(options->detalhes) && !outputs::XlsxAvailable()) {
    *error =
        "a lista de falhas em .xlsx não existe nesta versão do programa (Windows): use um "
        "arquivo .csv em --detalhes";
    return false;
  }
  engine::Regional ignored;
  if (!engine::Regional::FromName(options->regional, &ignored)) {
    *error = "regional desconhecida: " + options->regional + " (use pt_BR, en_US ou sistema)";
    return false;
  }
  return CheckOutputs(*options, error);
}

}  // namespace cli
