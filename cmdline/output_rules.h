#pragma once
// The rules every output of a command-line program obeys before anything is written: it is
// none of the files the program reads, no two outputs write one file, and at most one output
// goes to standard output. Files are compared by identity (platform/file_identity.h), so a
// second name, a hard link or a symbolic link is caught, and a link whose target does not exist
// yet names that target.

#include <string>
#include <vector>

namespace cmdline {

struct NamedOutput {
  std::string option;  // "--json", as the messages name it
  std::string path;    // "-": standard output
};

// Checks `outputs` against `inputs` and each other. `on_standard_output` names what already goes
// to standard output ("o relatório"), or is empty. An output is on standard output when its path
// is "-" or names standard output's file (/dev/stdout, /dev/fd/1, ...). False on wrong usage,
// with the message in `error`: "a saída X é um dos arquivos de entrada", "A e B gravam no mesmo
// arquivo: X" or "duas saídas na saída padrão: A e B".
bool CheckOutputs(const std::vector<NamedOutput>& outputs, const std::vector<std::string>& inputs,
                  std::string on_standard_output, std::string* error);

}  // namespace cmdline
