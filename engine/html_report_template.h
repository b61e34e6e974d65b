#pragma once
// The page of the HTML report (engine/html_report.h), a mustache template: every {{name}} is
// escaped for HTML when the page is made. Inline CSS and SVG only: nothing to fetch, no script.

namespace engine {

inline constexpr const char* kHtmlReportTemplate = R"HTML(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<title>Crítica {{empresa_codigo}}: {{resultado_texto}}</title>
<style>
body{font-family:"DejaVu Sans",Arial,sans-serif;margin:1.5em auto;max-width:70em;color:#222;padding:0 1em;font-size:14px}
h1{font-size:1.6em;margin:0 0 .3em}
h2{font-size:1.25em;margin:1.6em 0 .4em;border-bottom:2px solid #ccc;padding-bottom:.15em}
h3{font-size:1.05em;margin:1.2em 0 .3em}
.banner{padding:1em 1.4em;border-radius:6px;color:#fff}
.banner ul{margin:.3em 0 0;padding-left:1.3em}
.aceitavel{background:#2e7d32}.rejeitado{background:#c62828}.erro{background:#6a1b9a}
table{border-collapse:collapse;margin:.4em 0 1em}
th,td{padding:.2em .6em;border-bottom:1px solid #e2e2e2;text-align:left;vertical-align:middle}
th{background:#f3f3f3}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
.avisos li{margin:.1em 0}
.legenda span{display:inline-block;width:.9em;height:.9em;margin:0 .3em 0 1em;vertical-align:middle}
.nulo{background:#e67e22}.dom{background:#c0392b}.kov{background:#2471a3}.arq{background:#7fb3d5}
.valores{display:flex;flex-wrap:wrap;gap:0 2em}
.valores table{min-width:16em}
.fora{color:#c62828;font-weight:bold}
pre{white-space:pre-wrap;background:#fbeaea;padding:.6em;border-radius:4px}
footer{margin-top:2em;color:#777;font-size:.85em}
</style>
</head>
<body>
<div class="banner {{resultado}}">
<h1>Veredito: {{resultado_texto}}</h1>
{{#tem_motivos}}<ul>{{#motivos}}<li>{{texto}}</li>{{/motivos}}</ul>{{/tem_motivos}}
{{^tem_motivos}}<p>Nenhum motivo de rejeição.</p>{{/tem_motivos}}
</div>
{{#tem_avisos}}
<h2>Avisos ({{avisos_quantidade}})</h2>
<ul class="avisos">{{#avisos}}<li>{{texto}}</li>{{/avisos}}</ul>
{{/tem_avisos}}

<h2>Entradas</h2>
<table>
<tr><th>Arquivo de riscos</th><td>{{riscos}}</td></tr>
<tr><th>Arquivo de sinistros</th><td>{{sinistros}}</td></tr>
<tr><th>Pasta do catálogo</th><td>{{catalogo}}</td></tr>
<tr><th>Empresa</th><td>{{empresa_codigo}} {{empresa_nome}}</td></tr>
<tr><th>Início</th><td>{{inicio}}</td></tr>
<tr><th>Fim</th><td>{{fim}}</td></tr>
</table>
{{#erro}}
<h2>Erro que interrompeu a crítica</h2>
<pre>{{texto}}</pre>
{{/erro}}

{{#tabelas}}
<h2>Tabela {{nome}}</h2>
<p>Arquivo {{arquivo}}: {{situacao}}, {{registros}} registros.</p>
{{#tem_campos}}
<p class="legenda">Campos por número de falhas:<span class="nulo"></span>ErroNulo<span class="dom"></span>ErroDom</p>
<table>
<tr><th>Campo</th><th class="n">ErroNulo</th><th class="n">%</th><th class="n">ErroDom</th><th class="n">%</th><th></th></tr>
{{#campos}}
<tr><td>{{campo}}</td><td class="n">{{erro_nulo}}</td><td class="n">{{pct_nulo}}</td><td class="n">{{erro_dom}}</td><td class="n">{{pct_dom}}</td>
<td><svg width="204" height="14" role="img" aria-label="{{campo}}"><rect x="0" y="1" width="{{barra_nulo}}" height="5" class="nulo" fill="#e67e22"/><rect x="0" y="8" width="{{barra_dom}}" height="5" fill="#c0392b"/></svg></td></tr>
{{/campos}}
</table>
{{/tem_campos}}
{{#tem_valores}}
<h3>Valores que mais falham</h3>
<div class="valores">
{{#valores}}
<table><tr><th>{{campo}}</th><th class="n">falhas</th></tr>
{{#itens}}<tr><td>{{valor}}</td><td class="n">{{quantidade}}</td></tr>{{/itens}}
</table>
{{/valores}}
</div>
{{/tem_valores}}
{{/tabelas}}

{{#sem_apolice}}
<h2>Sinistros sem apólice</h2>
<p>{{quantidade}} de {{sinistros}} sinistros ({{percentual}}%) não têm apólice e item no arquivo de riscos.</p>
{{/sem_apolice}}
{{#vigencia}}
<h2>Vigências invertidas</h2>
<p>{{quantidade}} riscos com a vigência terminando antes de começar.</p>
{{/vigencia}}

{{#conciliacao}}
<h2>{{titulo}}</h2>
<p class="legenda">Valores<span class="kov"></span>DadosKov<span class="arq"></span>arquivo</p>
<table>
<tr><th>Ramo</th><th class="n">DadosKov</th><th class="n">Arquivo</th><th></th><th class="n">Diferença</th></tr>
{{#linhas}}
<tr><td>{{ramo}}</td><td class="n">{{kov}}</td><td class="n">{{arquivo}}</td>
<td><svg width="204" height="14" role="img" aria-label="{{ramo}}"><rect x="0" y="1" width="{{barra_kov}}" height="5" fill="#2471a3"/><rect x="0" y="8" width="{{barra_arquivo}}" height="5" fill="#7fb3d5"/></svg></td>
<td class="n{{#fora}} fora{{/fora}}">{{diferenca}}</td></tr>
{{/linhas}}
</table>
{{/conciliacao}}

<footer>Talmero PRX: relatório da crítica.</footer>
</body>
</html>
)HTML";

}  // namespace engine
