#include "resumo/resumo_options.h"

#include "cmdline/option_parser.h"
#include "cmdline/output_rules.h"
#include "engine/text.h"
#include "outputs/xlsx_workbook.h"

#ifndef TALMERO_VERSION
#define TALMERO_VERSION "0"
#endif

namespace resumo {
namespace {

constexpr const char* kUsage =
    "Uso: talmero-resumo [--saida ARQUIVO] RESULTADO.json...\n"
    "     talmero-resumo [--saida ARQUIVO] [--empresa COD] --historico HISTORICO...\n"
    "\n"
    "Lê os resultados em JSON de várias críticas (gravados com talmero-criticar --json) e\n"
    "escreve um resumo com uma linha por resultado, na ordem dada. Com --historico, lê as\n"
    "críticas gravadas em históricos (talmero-criticar --historico): uma linha por crítica,\n"
    "das mais antigas às mais recentes.\n"
    "\n"
    "Opções:\n"
    "  --saida ARQUIVO  grava o resumo em ARQUIVO: terminado em .xlsx, uma planilha do Excel;\n"
    "                   em .html, uma página; em outro nome, CSV (separador ;, Windows-1252,\n"
    "                   CR LF, linha de cabeçalho). Sem esta opção, CSV na saída padrão\n"
    "  --historico HISTORICO...\n"
    "                   resume as críticas gravadas nestes históricos (um ou mais, também com\n"
    "                   --historico repetido), juntas pela hora de início; o histórico só é\n"
    "                   lido, nunca criado nem alterado. Não se junta a resultados JSON na\n"
    "                   mesma chamada\n"
    "  --empresa COD    com --historico, só as críticas da empresa de código COD\n"
    "  --version        mostra a versão\n"
    "  --help           mostra este texto\n"
    "\n"
    "Colunas: resultado_json (o arquivo JSON), cod_seg, empresa, riscos e sinistros (os\n"
    "arquivos criticados), resultado (aceitavel, rejeitado, erro ou ilegivel), motivos (os\n"
    "tipos dos motivos do veredito, separados por vírgula, cada um uma vez e com ×N quando\n"
    "aparece N vezes; numa crítica que terminou em erro, a mensagem do erro),\n"
    "registros_riscos, registros_sinistros, sem_apolice (sinistros sem apólice),\n"
    "vigencia_invertida e campos_mais_falhos (os cinco campos com mais ErroNulo + ErroDom, como\n"
    "TABELA.CAMPO n). Na página e na planilha as colunas têm títulos por extenso; na página os\n"
    "números têm separador de milhar, na planilha são números.\n"
    "Com --historico, três colunas a mais no fim: id (o número da crítica no histórico),\n"
    "inicio (quando começou) e historico (o arquivo do histórico); resultado_json fica vazia e,\n"
    "numa crítica que terminou em erro, motivos traz a mensagem do erro. A página mostra ainda,\n"
    "por empresa, as falhas dos campos que mais falharam em cada crítica.\n"
    "Um arquivo que não pode ser lido ou não é um resultado da crítica dá uma linha com\n"
    "resultado ilegivel e o motivo em motivos; uma pasta, um dispositivo, um pipe ou um arquivo\n"
    "de mais de 64 MiB não é lido. Um histórico que não pode ser lido (ausente, que não é um\n"
    "histórico ou de uma versão mais nova do programa) é um erro com o nome do arquivo; as\n"
    "críticas dos demais históricos são resumidas.\n"
    "\n"
    "--saida nunca grava sobre um dos resultados (também por outro nome ou por um link): é uso\n"
    "incorreto. O resumo é gravado num arquivo temporário da sua pasta e só substitui o arquivo\n"
    "de mesmo nome quando completo: uma falha ou interrupção não deixa resumo parcial nem\n"
    "estraga o anterior.\n"
    "\n"
    "Saída: 0 quando todos os resultados (ou históricos) foram lidos; 1 quando algum não pôde\n"
    "ser lido ou o resumo não pôde ser gravado (as demais linhas são escritas); 2 para uso\n"
    "incorreto; 130 (SIGINT), 143 (SIGTERM) ou 129 (SIGHUP) quando interrompido.\n";

}  // namespace

const char* ResumoUsageText() { return kUsage; }

std::string ResumoVersionText() { return std::string("talmero-resumo ") + TALMERO_VERSION; }

bool ParseResumoOptions(const std::vector<std::string>& args, ResumoOptions* options,
                        std::string* error) {
  CLI::App app("talmero-resumo");
  cmdline::PrepareApp(app);
  app.add_option("--saida", options->saida);
  // Each word after --historico up to the next option names a history; repeated, they add up.
  app.add_option("--historico", options->historicos)
      ->expected(1, CLI::detail::expected_max_vector_size)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--empresa", options->empresa);
  app.add_flag("-h,--help", options->help);
  app.add_flag("--version", options->version);
  std::vector<std::string> words;
  if (!cmdline::ParseApp(app, args, &words, error)) return false;
  // Every word left that is no option names a result; "--" ends the options.
  bool options_ended = false;
  for (const std::string& word : words) {
    if (!options_ended && word == "--") {
      options_ended = true;
    } else if (!options_ended && word.size() > 1 && word[0] == '-') {
      *error = "opção desconhecida: " + word;
      return false;
    } else {
      options->jsons.push_back(word);
    }
  }
  if (options->help || options->version) return true;
  if (!options->historicos.empty() && !options->jsons.empty()) {
    // Rows of both kinds would share columns that mean nothing for half of them.
    *error = "--historico não se junta a resultados JSON (" + options->jsons.front() +
             "): resuma-os em chamadas separadas";
    return false;
  }
  if (app.count("--empresa") > 0 && engine::Trimmed(options->empresa).empty()) {
    *error = "--empresa exige o código de uma empresa";
    return false;
  }
  if (!options->empresa.empty() && options->historicos.empty()) {
    *error = "--empresa só vale com --historico";
    return false;
  }
  if (options->jsons.empty() && options->historicos.empty()) {
    *error = "nenhum resultado JSON indicado";
    return false;
  }
  if (outputs::IsXlsxPath(options->saida) && !outputs::XlsxAvailable()) {
    *error =
        "o resumo em .xlsx não existe nesta versão do programa (Windows): use um arquivo .csv "
        "ou .html em --saida";
    return false;
  }
  // The summary never writes over one of its results, under any name or link.
  std::vector<cmdline::NamedOutput> outputs;
  if (!options->saida.empty()) outputs.push_back({"--saida", options->saida});
  const std::vector<std::string>& inputs =
      options->historicos.empty() ? options->jsons : options->historicos;
  return cmdline::CheckOutputs(outputs, inputs, options->saida.empty() ? "o resumo" : "", error);
}

}  // namespace resumo
