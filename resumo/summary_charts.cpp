#include "resumo/summary_charts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "engine/number_style.h"
#include "engine/regional.h"
#include "outputs/output_text.h"

namespace resumo {
namespace {

// A chart's box and the plot inside it, in pixels.
constexpr int kWidth = 250;
constexpr int kHeight = 130;
constexpr int kLeft = 46;  // room for the largest count
constexpr int kRight = 10;
constexpr int kTop = 10;
constexpr int kBottom = 30;  // room for the dates
constexpr int kPlotWidth = kWidth - kLeft - kRight;
constexpr int kPlotHeight = kHeight - kTop - kBottom;
constexpr const char* kLineColour = "#1f5fa8";

std::string Esc(const std::string& text) { return outputs::HtmlEscaped(text); }

std::string Grouped(std::int64_t count) {
  return engine::FormatNumber(static_cast<double>(count), 0, engine::Regional::PtBr());
}

// "2024-03-15T09:05:07" -> "15/03/2024"; anything else as it is.
std::string DateOf(const std::string& inicio) {
  if (inicio.size() < 10 || inicio[4] != '-' || inicio[7] != '-') return inicio;
  return inicio.substr(8, 2) + "/" + inicio.substr(5, 2) + "/" + inicio.substr(0, 4);
}

// One decimal place is as fine as a screen shows.
std::string Px(double v) {
  const auto tenths = static_cast<long long>(v * 10 + (v < 0 ? -0.5 : 0.5));
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "." + std::to_string(std::abs(tenths % 10));
  return text;
}

struct Company {
  std::string code;
  std::string name;
  std::vector<const SummaryRow*> runs;
};

struct FieldLine {
  std::string name;
  std::int64_t total = 0;
  std::vector<std::int64_t> counts;  // one per run of the company
};

// The company's fields with failures, most failures over its runs first (ties: as first met).
std::vector<FieldLine> FieldLines(const Company& company) {
  std::vector<FieldLine> lines;
  for (std::size_t i = 0; i < company.runs.size(); ++i) {
    for (const FieldFailureCount& f : company.runs[i]->field_failures) {
      auto it = std::find_if(lines.begin(), lines.end(),
                             [&](const FieldLine& l) { return l.name == f.name; });
      if (it == lines.end()) {
        it = lines.insert(lines.end(), {f.name, 0, std::vector<std::int64_t>(company.runs.size())});
      }
      it->counts[i] = f.failures;
      if (__builtin_add_overflow(it->total, f.failures, &it->total)) it->total = INT64_MAX;
    }
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const FieldLine& a, const FieldLine& b) { return a.total > b.total; });
  if (lines.size() > kChartedFields) lines.resize(kChartedFields);
  return lines;
}

std::string Chart(const Company& company, const FieldLine& field) {
  const std::size_t n = company.runs.size();
  const std::int64_t top =
      std::max<std::int64_t>(1, *std::max_element(field.counts.begin(), field.counts.end()));
  const auto x = [&](std::size_t i) {
    return n == 1 ? kLeft + kPlotWidth / 2.0
                  : kLeft + kPlotWidth * static_cast<double>(i) / static_cast<double>(n - 1);
  };
  const auto y = [&](std::int64_t v) {
    return kTop + kPlotHeight * (1.0 - static_cast<double>(v) / static_cast<double>(top));
  };
  const std::string first = DateOf(company.runs.front()->cells[kInicio]);
  const std::string last = DateOf(company.runs.back()->cells[kInicio]);
  std::string svg = "<figure style=\"margin:0;width:" + std::to_string(kWidth) +
                    "px\"><figcaption style=\"font-size:.9em;font-weight:bold;"
                    "overflow-wrap:anywhere\">" +
                    Esc(field.name) + "</figcaption>";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) +
         "\" height=\"" + std::to_string(kHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) +
         " " + std::to_string(kHeight) + "\" role=\"img\" aria-label=\"" +
         Esc(field.name + ": falhas em " + std::to_string(n) + " críticas, de " + first + " a " +
             last) +
         "\" font-size=\"10\" fill=\"#444\">";
  // The axes: zero and the largest count at the left, the first and last dates below.
  const std::string base = Px(y(0));
  svg += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + base + "\" x2=\"" +
         std::to_string(kLeft + kPlotWidth) + "\" y2=\"" + base + "\" stroke=\"#999\"/>";
  svg += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + std::to_string(kTop) + "\" x2=\"" +
         std::to_string(kLeft + kPlotWidth) + "\" y2=\"" + std::to_string(kTop) +
         "\" stroke=\"#e2e2e2\"/>";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + Px(y(0) + 3) +
         "\" text-anchor=\"end\">0</text>";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + std::to_string(kTop + 3) +
         "\" text-anchor=\"end\">" + Esc(Grouped(top)) + "</text>";
  const std::string dates_y = std::to_string(kHeight - 12);
  if (n == 1) {
    svg += "<text x=\"" + Px(x(0)) + "\" y=\"" + dates_y + "\" text-anchor=\"middle\">" +
           Esc(first) + "</text>";
  } else {
    svg +=
        "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + dates_y + "\">" + Esc(first) + "</text>";
    svg += "<text x=\"" + std::to_string(kLeft + kPlotWidth) + "\" y=\"" + dates_y +
           "\" text-anchor=\"end\">" + Esc(last) + "</text>";
  }
  svg += "<text x=\"" + std::to_string(kLeft + kPlotWidth / 2) + "\" y=\"" +
         std::to_string(kHeight - 1) + "\" text-anchor=\"middle\">" + std::to_string(n) +
         (n == 1 ? " crítica" : " críticas") + "</text>";
  std::string points;
  for (std::size_t i = 0; i < n; ++i) {
    if (!points.empty()) points += ' ';
    points += Px(x(i)) + "," + Px(y(field.counts[i]));
  }
  svg += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + kLineColour +
         "\" stroke-width=\"1.5\"/>";
  if (n <= kMarkedRuns) {
    for (std::size_t i = 0; i < n; ++i) {
      const SummaryRow& run = *company.runs[i];
      svg += "<circle cx=\"" + Px(x(i)) + "\" cy=\"" + Px(y(field.counts[i])) +
             "\" r=\"2.5\" fill=\"" + kLineColour + "\"><title>" +
             Esc("nº " + run.cells[kId] + ", " + run.cells[kInicio] + ": " +
                 Grouped(field.counts[i]) + (field.counts[i] == 1 ? " falha" : " falhas")) +
             "</title></circle>";
    }
  }
  svg += "</svg></figure>";
  return svg;
}

}  // namespace

std::string FieldFailureCharts(const std::vector<SummaryRow>& rows) {
  std::vector<Company> companies;
  for (const SummaryRow& row : rows) {
    // An error's run counted nothing: a zero there would read as failures fixed.
    if (!row.legivel || row.resultado() == "erro" || row.cells[kCodSeg].empty()) continue;
    auto it = std::find_if(companies.begin(), companies.end(),
                           [&](const Company& c) { return c.code == row.cells[kCodSeg]; });
    if (it == companies.end()) it = companies.insert(companies.end(), {row.cells[kCodSeg], {}, {}});
    if (!row.cells[kEmpresa].empty()) it->name = row.cells[kEmpresa];
    it->runs.push_back(&row);
  }
  std::string html =
      "<section class=\"graficos\">\n<h2>Falhas por campo ao longo das críticas</h2>\n"
      "<p>Por empresa, os campos com mais falhas (ErroNulo + ErroDom) somadas as críticas, até " +
      std::to_string(kChartedFields) +
      "; cada gráfico vai da crítica mais antiga à mais recente. Críticas que terminaram em erro "
      "não entram.</p>\n";
  if (companies.empty()) html += "<p>Nenhuma crítica com resultados.</p>\n";
  for (const Company& company : companies) {
    html +=
        "<h3>" + Esc(company.code + (company.name.empty() ? "" : " — " + company.name)) + "</h3>\n";
    const std::vector<FieldLine> lines = FieldLines(company);
    if (lines.empty()) {
      html += company.runs.size() == 1
                  ? std::string("<p>Nenhum campo com falhas na única crítica.</p>\n")
                  : "<p>Nenhum campo com falhas nas " + std::to_string(company.runs.size()) +
                        " críticas.</p>\n";
      continue;
    }
    html += "<div style=\"display:flex;flex-wrap:wrap;gap:12px\">\n";
    for (const FieldLine& line : lines) html += Chart(company, line) + "\n";
    html += "</div>\n";
  }
  return html + "</section>\n";
}

}  // namespace resumo
