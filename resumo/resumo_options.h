#pragma once
// The options of talmero-resumo and their parser (CLI11 underneath, Portuguese texts on top).

#include <string>
#include <vector>

namespace resumo {

struct ResumoOptions {
  std::string saida;               // empty or "-": CSV on standard output
  std::vector<std::string> jsons;  // the results, in the order given
  // --historico: the histories whose runs are summarised instead of JSON results.
  std::vector<std::string> historicos;
  std::string empresa;  // --empresa: only this company's runs (code trimmed)
  bool help = false;
  bool version = false;
};

// Parses `args` (without the program name). False with a reason in `error` on wrong usage:
// "opção desconhecida: X", "falta o valor de X", no result named, histories and JSON results
// together, --empresa without --historico, a workbook in a build that writes none, or --saida
// naming one of the inputs (cmdline/output_rules.h).
bool ParseResumoOptions(const std::vector<std::string>& args, ResumoOptions* options,
                        std::string* error);

// The usage text (UTF-8).
const char* ResumoUsageText();

// "talmero-resumo 1.0.0".
std::string ResumoVersionText();

}  // namespace resumo
