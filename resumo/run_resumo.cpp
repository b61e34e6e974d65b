#include "resumo/run_resumo.h"

#include <ostream>

#include "cmdline/exit_status.h"
#include "cmdline/option_parser.h"
#include "cmdline/output_file.h"
#include "outputs/xlsx_workbook.h"
#include "platform/file_error.h"
#include "resumo/history_rows.h"
#include "resumo/resumo_options.h"
#include "resumo/summary_html.h"
#include "resumo/summary_output.h"
#include "resumo/summary_row.h"

namespace resumo {
namespace {

// Writes the summary in the form `path` asks for. Every form goes through the output file: the
// workbook into its temporary file too, so the summary appears whole or not at all. False when it
// could not be written.
bool WriteSummary(const std::vector<SummaryRow>& rows, SummarySource source,
                  const std::string& path, std::ostream& out, std::ostream& err) {
  cmdline::OutputFile file(path.empty() ? cmdline::kStandardOutput : path, out);
  if (!file.ok()) {
    err << file.CreateError() << '\n';
    return false;
  }
  const SummaryFormat format = path.empty() ? SummaryFormat::kCsv : FormatOf(path);
  bool written = true;
  if (format == SummaryFormat::kXlsx) {
    std::string reason;
    std::size_t cut = 0;
    const bool made = WriteSummaryXlsx(rows, file.TempPath(), &reason, &cut, source);
    if (cut > 0) err << "aviso: " << path << ": " << outputs::CutTextsWarning(cut) << '\n';
    if (!made) {
      // The temporary file is removed, an earlier summary left as it was.
      err << platform::FileErrorText(platform::FileStep::kWrite, path, reason) << '\n';
      return false;
    }
  } else if (format == SummaryFormat::kHtml) {
    file.stream() << SummaryHtml(rows, source);
  } else {
    written = WriteSummaryCsv(rows, file.stream(), source);
  }
  if (!file.Close() || !written) {
    err << file.WriteError() << '\n';
    return false;
  }
  return true;
}

}  // namespace

int RunResumo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ResumoOptions options;
  std::string usage_error;
  if (!ParseResumoOptions(args, &options, &usage_error)) {
    err << cmdline::UsageErrorText("talmero-resumo", usage_error);
    return cmdline::kExitUsage;
  }
  if (options.help || options.version) {
    const std::string text = options.help ? ResumoUsageText() : ResumoVersionText() + '\n';
    return cmdline::PrintToStandardOutput(text, out, err) ? cmdline::kExitSuccess
                                                          : cmdline::kExitRunError;
  }
  std::vector<SummaryRow> rows;
  rows.reserve(options.jsons.size());
  bool all_read = true;
  for (const std::string& path : options.historicos) {
    std::string reason;
    if (!ReadHistoryRows(path, options.empresa, &rows, &reason)) {
      all_read = false;
      err << "talmero-resumo: " << path << ": o histórico não pôde ser lido: " << reason << '\n';
    }
  }
  SortByStart(&rows);
  for (const std::string& json : options.jsons) {
    rows.push_back(ReadSummaryRow(json));
    if (!rows.back().legivel) {
      all_read = false;
      err << "talmero-resumo: " << json << ": " << rows.back().motivos() << '\n';
    }
  }
  const SummarySource source =
      options.historicos.empty() ? SummarySource::kJson : SummarySource::kHistory;
  const bool written = WriteSummary(rows, source, options.saida, out, err);
  return all_read && written ? cmdline::kExitSuccess : cmdline::kExitRunError;
}

}  // namespace resumo
