#pragma once
// The page of the summary (resumo/summary_html.h), a mustache template: every {{name}} is
// escaped for HTML when the page is made; {{{cores}}} are the verdicts' colours, as every output
// has them (engine/verdict_style.h). The table fits the window (a set of runs read at 1400 px
// scrolls no sideways): texts wrap between words, paths after each folder (a cell's parts, each
// but the first after a <wbr>), and in paths and messages a word longer than its column anywhere;
// titles break between words only; figures, the company's code and the verdict stay on one line.
// {{{graficos}}}: the charts of a summary of histories, made and escaped beforehand
// (resumo/summary_charts.h); empty otherwise, leaving the page as it was.

namespace resumo {

inline constexpr const char* kSummaryHtmlTemplate = R"HTML(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<title>Resumo das críticas</title>
<style>
body{font-family:"DejaVu Sans",Arial,sans-serif;margin:1.5em;color:#222;font-size:14px}
h1{font-size:1.6em;margin:0 0 .4em}
table{border-collapse:collapse;margin:.6em 0 1em;max-width:100%}
th,td{padding:.2em .45em;border-bottom:1px solid #e2e2e2;text-align:left;vertical-align:top}
td.longo{overflow-wrap:anywhere}
td.codigo{white-space:nowrap}
th{background:#f3f3f3;position:sticky;top:0}
td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
.resultado{color:#fff;font-weight:bold;white-space:nowrap}
{{{cores}}}
.totais span{display:inline-block;margin-right:.6em;padding:.2em .6em;border-radius:4px}
</style>
</head>
<body>
<h1>Resumo das críticas</h1>
<p class="totais">{{quantidade}} resultados:
{{#totais}}<span class="{{classe}}">{{titulo}}: {{quantidade}}</span>{{/totais}}</p>
<table>
<tr>{{#colunas}}<th>{{nome}}</th>{{/colunas}}</tr>
{{#linhas}}
<tr>{{#celulas}}<td{{#classe}} class="{{classe}}"{{/classe}}>{{#partes}}{{^primeira}}<wbr>{{/primeira}}{{texto}}{{/partes}}</td>{{/celulas}}</tr>
{{/linhas}}
</table>
{{{graficos}}}<footer>Talmero PRX: resumo de resultados de talmero-criticar.</footer>
</body>
</html>
)HTML";

}  // namespace resumo
