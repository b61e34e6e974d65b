#include "cli/usage_text.h"

#include <string_view>
#include <vector>

#include "cli/output_table.h"

namespace cli {
namespace {

constexpr std::string_view kHead =
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
    "  --regional NOME       pt_BR, en_US ou sistema (padrão: sistema)\n";

// After the outputs' options.
constexpr std::string_view kOtherOptions =
    "  --sem-avisos-de-data  não escreve as linhas \"Data Inválida : \" na saída de erros (os\n"
    "                        contadores e a lista de falhas não mudam)\n"
    "  --progresso           mostra na saída de erros uma linha com a fase da crítica e a parte\n"
    "                        do arquivo já lida, mesmo quando a saída de erros não é um\n"
    "                        terminal (num terminal ela aparece sem esta opção)\n"
    "  --sem-progresso       não mostra essa linha (prevalece sobre --progresso)\n"
    "  --historico ARQUIVO   grava a crítica no histórico ARQUIVO (SQLite, criado quando não\n"
    "                        existe, legível só pelo dono) e a compara com a crítica anterior da\n"
    "                        mesma empresa no histórico: falhas corrigidas, novas e mantidas (no\n"
    "                        JSON, em \"comparacao\"); numa pasta de rede, ou quando não pode ser\n"
    "                        aberto, o histórico não é usado e a crítica segue sem ele\n"
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
    "\n";

// After the sentence that names the outputs that may go to standard output.
constexpr std::string_view kTail =
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

// "--detalhes, --json, --html e --extrato": the outputs that write to standard output with -
// as their path, where the report is otherwise.
std::string OutputsOnStandardOutput() {
  std::vector<std::string_view> names;
  for (const OutputEntry& entry : OutputTable()) {
    if (entry.standard_output_by_default.empty()) names.push_back(entry.option);
  }
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 < names.size() ? ", " : " e ";
    text += names[i];
  }
  return text;
}

}  // namespace

std::string UsageText() {
  std::string text(kHead);
  for (const OutputEntry& entry : OutputTable()) text += entry.usage;
  text += kOtherOptions;
  text += "Com - como ARQUIVO, " + OutputsOnStandardOutput() +
          " escrevem na saída padrão; então o relatório precisa\n";
  text += kTail;
  return text;
}

}  // namespace cli
