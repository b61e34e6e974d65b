#pragma once
// The steps of each output of the runner (cli/side_output.h), one file each, that the table of
// outputs (cli/output_table.h) names. Each opens its output before the run: null with the error
// lines in `error` when a file cannot be created, so a path that cannot be written costs no run.

#include <memory>
#include <string>

#include "cli/side_output.h"

namespace cli {

// The report (--saida): written at the end, also when an error ended the run.
std::unique_ptr<SideOutput> OpenReport(const OutputSetting& setting, std::string* error);
// The failure list (--detalhes): CSV, or a workbook with a summary sheet.
std::unique_ptr<SideOutput> OpenDetails(const OutputSetting& setting, std::string* error);
// The JSON result (--json): created and written at the end.
std::unique_ptr<SideOutput> OpenJson(const OutputSetting& setting, std::string* error);
// The HTML page (--html).
std::unique_ptr<SideOutput> OpenHtml(const OutputSetting& setting, std::string* error);
// The records with failures (--extrato): two CSV files, or one workbook.
std::unique_ptr<SideOutput> OpenExtract(const OutputSetting& setting, std::string* error);

}  // namespace cli
