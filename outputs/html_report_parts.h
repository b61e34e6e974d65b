#pragma once
// What the pieces of the HTML report (html_report.cpp, html_report_tables.cpp) share: the
// figures in the Brazilian style, bars and their scale, and mustache values. Internal to them.

#include <cstdint>
#include <kainjow/mustache.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_result.h"
#include "history/run_comparison.h"
#include "outputs/failing_values.h"
#include "outputs/html_report_samples.h"

namespace outputs::html {

using kainjow::mustache::data;

inline constexpr double kBarWidth = 200.0;      // pixels of a full bar
inline constexpr std::size_t kShownFirst = 10;  // items of a long list shown before the fold

std::string Utf8(std::string_view win1252);
std::string Number(double value, int decimals);  // pt_BR: "1.234,56"
std::string Count(std::int64_t value);           // pt_BR: "97.063"
// count x 100 / total with two decimals; "-" without a total.
std::string Share(std::int64_t count, std::int64_t total);
// "1 registro", "1.390 registros".
std::string Counted(std::int64_t count, std::string_view one, std::string_view many);
// How many of a group's records a sample table shows: "1 registro", "os primeiros 20 de 1.390
// registros".
std::string SampleCaption(const SampleGroup& group);
// The width of a bar for `share_of_full` (0..1) of kBarWidth, with "." as SVG wants it.
std::string SvgWidth(double share_of_full);
// The middle and end labels of the scale over a column of bars whose full bar is `full`, in the
// 204-pixel drawing beside "0": the figures with `decimals` where they fit side by side, else
// shortened ("61,7 bi", "123 bi"); when even those would touch, the middle one is left out
// (empty).
struct ScaleLabels {
  std::string middle;
  std::string end;
};
ScaleLabels ScaleLabelsFor(double full, int decimals);
// Sets {{escala_meio}} and {{escala_fim}} of a column of bars whose full bar is `full`.
void SetScale(data& section, double full, int decimals);

data List();
data Flag(bool value);
// kainjow's set() and push_back() copy what they take, a whole subtree at every level of the
// page; these move it in instead, so that each sample row is built once.
void Put(data& object, const std::string& name, data value);
void Append(data& list, data item);

// The rows of a sample table: registro, apolice, endosso, item, primeira, segunda, and flags
// for blank texts.
data SampleRows(const std::vector<RecordSample>& samples);
// A section's title without the colon that ends it as a report line.
std::string Title(std::string_view win1252);

// The section "Desde a crítica anterior": the run (its verdict's name, when it started) beside the
// company's earlier run; `samples` (null: none) give the first new failures.
data Comparison(const history::RunComparison& c, std::string_view resultado,
                const std::string& started, const HtmlReportSamples* samples);

// One input table's section of the page.
data Table(const engine::TableResult& t, const FailingValues* failing);

}  // namespace outputs::html
