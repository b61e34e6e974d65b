#include "engine/findings.h"

namespace engine {

std::string_view FindingFileName(FindingFile file) {
  return file == FindingFile::kRiscos ? "riscos" : "sinistros";
}

std::string_view FindingCheckName(FindingCheck check) {
  switch (check) {
    case FindingCheck::kNulo:
      return "nulo";
    case FindingCheck::kTamanho:
      return "tamanho";
    case FindingCheck::kData:
      return "data";
    case FindingCheck::kDominio:
      return "dominio";
    case FindingCheck::kEstrutura:
      return "estrutura";
    case FindingCheck::kEmpresa:
      return "empresa";
    case FindingCheck::kSemApolice:
      return "sem_apolice";
    case FindingCheck::kVigenciaInvertida:
      return "vigencia_invertida";
    case FindingCheck::kCabecalho:
      return "cabecalho";
    case FindingCheck::kBytesFinais:
      return "bytes_finais";
    case FindingCheck::kCabecalhoCurto:
      return "cabecalho_curto";
  }
  return "";
}

}  // namespace engine
