#pragma once
// The page of the HTML report (outputs/html_report.h), a mustache template: every {{name}} is
// escaped for HTML when the page is made. Inline CSS and SVG only: nothing to fetch, no script.
// Lists longer than ten are folded in <details>, which opens without a script; a printed page
// holds every item, as the folded part is written again in a list that only print shows.

namespace outputs {

inline constexpr const char* kHtmlReportTemplate = R"HTML(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<title>Crítica {{empresa_codigo}}: {{titulo}}</title>
<style>
body{font-family:"DejaVu Sans",Arial,sans-serif;margin:1.5em auto;max-width:72em;color:#222;padding:0 1em;font-size:14px}
h1{font-size:1.6em;margin:0 0 .3em}
h2{font-size:1.25em;margin:1.6em 0 .4em;border-bottom:2px solid #ccc;padding-bottom:.15em}
h3{font-size:1.05em;margin:1.2em 0 .3em}
h4{font-size:.95em;margin:1em 0 .2em}
a{color:#1a4f8a}
.banner{padding:1em 1.4em;border-radius:6px;color:#fff}
.banner ul{margin:.3em 0 0;padding-left:1.3em}
.banner summary{cursor:pointer;margin-top:.3em}
nav ol{columns:2;margin:.3em 0;padding-left:1.5em}
table{border-collapse:collapse;margin:.4em 0 1em}
th,td{padding:.2em .6em;border-bottom:1px solid #e2e2e2;text-align:left;vertical-align:middle}
th{background:#f3f3f3}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
td.k{font-family:"DejaVu Sans Mono",monospace;white-space:pre}
.avisos ul{list-style:none;padding-left:.5em}
.avisos li{margin:.1em 0}
.avisos .n{display:inline-block;min-width:5.5em;text-align:right;margin-right:.6em;font-variant-numeric:tabular-nums}
.legenda span{display:inline-block;width:.9em;height:.9em;margin:0 .3em 0 1em;vertical-align:middle}
.nulo{background:#e67e22}.dom{background:#c0392b}.kov{background:#2471a3}.arq{background:#7fb3d5}
.valores{display:flex;flex-wrap:wrap;gap:0 2em;align-items:flex-start}
.valores table{min-width:14em}
.fora{color:#c62828;font-weight:bold}
.vazio{color:#888;font-style:italic}
pre{white-space:pre-wrap;background:#fbeaea;padding:.6em;border-radius:4px}
footer{margin-top:2em;color:#777;font-size:.85em}
.impresso{display:none}
@media print{
body{max-width:none;font-size:11px}
details{display:none}
.impresso{display:block}
nav{display:none}
thead{display:table-header-group}
tr{break-inside:avoid}
section.tabela{break-before:page}
a{color:inherit;text-decoration:none}
}
</style>
</head>
<body>
<header class="banner {{resultado}} {{cor}}" style="background:{{cor_rgb}}">
<h1>Veredito: {{titulo}}</h1>
{{#motivos}}<ul>{{#primeiros}}<li>{{texto}}</li>{{/primeiros}}</ul>
{{#tem_resto}}<details><summary>{{resto_texto}}</summary><ul>{{#resto}}<li>{{texto}}</li>{{/resto}}</ul></details><ul class="impresso">{{#resto}}<li>{{texto}}</li>{{/resto}}</ul>{{/tem_resto}}{{/motivos}}
{{^motivos}}<p>Nenhum motivo de rejeição{{#tem_avisos}}; há avisos que merecem uma olhada{{/tem_avisos}}.</p>{{/motivos}}
</header>

<nav id="conteudo">
<h2>Conteúdo</h2>
<ol>{{#conteudo}}<li><a href="#{{id}}">{{titulo}}</a></li>{{/conteudo}}</ol>
</nav>

<section id="resumo">
<h2>Resumo</h2>
<table>
<thead><tr><th>Tabela</th><th>Arquivo</th><th class="n">Registros</th><th class="n">Com falha de campo</th><th class="n">%</th></tr></thead>
<tbody>
{{#tabelas}}<tr><td><a href="#tabela-{{numero}}">{{nome}}</a></td><td>{{situacao}}</td><td class="n" id="resumo-registros-{{numero}}">{{registros}}</td><td class="n" id="resumo-falhas-{{numero}}">{{com_falha}}</td><td class="n">{{pct_com_falha}}</td></tr>
{{/tabelas}}
</tbody>
</table>
<table>
<tr><th>Veredito</th><td>{{titulo}}{{#motivos}} ({{total_texto}}){{/motivos}}{{#tem_avisos}} ({{avisos_texto}}){{/tem_avisos}}</td></tr>
{{#sem_apolice}}<tr><th><a href="#sem-apolice">Sinistros sem apólice</a></th><td><span id="resumo-sem-apolice">{{quantidade}}</span> de {{sinistros}} (<span id="resumo-sem-apolice-pct">{{percentual}}</span>%)</td></tr>{{/sem_apolice}}
{{#vigencia}}<tr><th><a href="#vigencia">Vigências invertidas</a></th><td id="resumo-vigencia">{{quantidade}}</td></tr>{{/vigencia}}
{{#maior_diferenca}}<tr><th><a href="#{{ancora}}">Maior diferença da conciliação</a></th><td><span id="resumo-conciliacao">{{diferenca}}</span> ({{titulo}}, {{ramo}})</td></tr>{{/maior_diferenca}}
</table>
</section>
{{#comparacao}}<section id="comparacao">
<h2>Desde a crítica anterior</h2>
<table>
<thead><tr><th></th><th>Anterior</th><th>Agora</th></tr></thead>
<tbody>
<tr><th>Início</th><td>{{comp_antes_data}}</td><td>{{comp_agora_data}}</td></tr>
<tr><th>Veredito</th><td>{{comp_antes_resultado}}</td><td>{{comp_agora_resultado}}</td></tr>
<tr><th>Sinistros sem apólice</th><td class="n">{{comp_sem_apolice_antes}}</td><td class="n">{{comp_sem_apolice_agora}}</td></tr>
<tr><th>Vigências invertidas</th><td class="n">{{comp_vigencia_antes}}</td><td class="n">{{comp_vigencia_agora}}</td></tr>
</tbody>
</table>
<table>
<tr><th>Falhas corrigidas</th><td class="n" id="comparacao-corrigidas">{{comp_corrigidas}}</td></tr>
<tr><th>Falhas novas</th><td class="n" id="comparacao-novas">{{comp_novas}}</td></tr>
<tr><th>Falhas mantidas</th><td class="n" id="comparacao-mantidas">{{comp_mantidas}}</td></tr>
</table>
{{#comp_pioraram}}
<h3>Campos que pioraram</h3>
{{> comp_tabela}}
{{/comp_pioraram}}
{{#comp_melhoraram}}
<h3>Campos que melhoraram</h3>
{{> comp_tabela}}
{{/comp_melhoraram}}
{{#comp_falhas_novas}}
<h3>Falhas novas: {{comp_legenda}}</h3>
<table class="novas">
<thead><tr><th>Arquivo</th><th>Apólice</th><th>Endosso</th><th>Item</th><th>Campo</th><th>Verificação</th><th>Mensagem</th></tr></thead>
<tbody>
{{#comp_linhas}}<tr><td>{{comp_arquivo}}</td><td class="k">{{comp_apolice}}</td><td class="k">{{comp_endosso}}</td><td class="k">{{comp_item}}</td><td>{{comp_campo}}</td><td>{{comp_verificacao}}</td><td>{{comp_mensagem}}</td></tr>
{{/comp_linhas}}
</tbody>
</table>
{{/comp_falhas_novas}}
{{#comp_conciliacao}}
<h3>Diferenças da conciliação</h3>
<table>
<thead><tr><th>Seção</th><th>Ramo</th><th class="n">Anterior</th><th class="n">Agora</th></tr></thead>
<tbody>
{{#comp_linhas}}<tr><td>{{comp_titulo}}</td><td>{{comp_ramo}}</td><td class="n">{{comp_antes}}</td><td class="n">{{comp_agora}}</td></tr>
{{/comp_linhas}}
</tbody>
</table>
{{/comp_conciliacao}}
</section>{{/comparacao}}
{{#tem_avisos}}
<section id="avisos" class="avisos">
<h2>Avisos ({{avisos_quantidade}})</h2>
{{#grupos_avisos}}
<h3 class="grupo">{{titulo}} ({{quantidade}})</h3>
<ul>{{#primeiros}}<li><span class="n">{{valor}}</span>{{texto}}</li>{{/primeiros}}</ul>
{{#tem_resto}}<details><summary>{{resto_texto}} de {{titulo}}</summary><ul>{{#resto}}<li><span class="n">{{valor}}</span>{{texto}}</li>{{/resto}}</ul></details><ul class="impresso">{{#resto}}<li><span class="n">{{valor}}</span>{{texto}}</li>{{/resto}}</ul>{{/tem_resto}}
{{/grupos_avisos}}
</section>
{{/tem_avisos}}

<section id="entradas">
<h2>Entradas</h2>
<table>
<tr><th>Arquivo de riscos</th><td>{{riscos}}</td></tr>
<tr><th>Arquivo de sinistros</th><td>{{sinistros}}</td></tr>
<tr><th>Pasta do catálogo</th><td>{{catalogo}}</td></tr>
<tr><th>Empresa</th><td>{{empresa_codigo}} {{empresa_nome}}</td></tr>
<tr><th>Início</th><td>{{inicio}}</td></tr>
<tr><th>Fim</th><td>{{fim}}</td></tr>
</table>
</section>
{{#erro}}
<section id="erro">
<h2>Erro que interrompeu a crítica</h2>
<pre>{{texto}}</pre>
</section>
{{/erro}}

{{#tabelas}}
<section id="tabela-{{numero}}" class="tabela">
<h2>Tabela {{nome}}</h2>
<p>Arquivo {{arquivo}}: {{situacao}}, {{registros}} registros, {{com_falha}} com falha de campo ({{pct_com_falha}}%).</p>
{{#tem_campos}}
<p class="legenda">Campos por número de falhas:<span class="nulo"></span>ErroNulo<span class="dom"></span>ErroDom</p>
<table class="campos">
<thead><tr><th>Campo</th><th class="n">ErroNulo</th><th class="n">%</th><th class="n">ErroDom</th><th class="n">%</th><th>{{> escala}}</th></tr></thead>
<tbody>
{{#campos}}
<tr><td>{{#ancora}}<a href="#{{ancora}}">{{/ancora}}{{campo}}{{#ancora}}</a>{{/ancora}}</td><td class="n">{{erro_nulo}}</td><td class="n">{{pct_nulo}}</td><td class="n">{{erro_dom}}</td><td class="n">{{pct_dom}}</td>
<td><svg width="204" height="14" role="img" aria-label="{{campo}}"><rect x="0" y="1" width="{{barra_nulo}}" height="5" fill="#e67e22"/><rect x="0" y="8" width="{{barra_dom}}" height="5" fill="#c0392b"/></svg></td></tr>
{{/campos}}
</tbody>
</table>
{{/tem_campos}}
{{#secoes}}
<section id="{{ancora}}" class="campo">
<h3>{{campo}} <small>(tabela {{tabela}}: ErroNulo {{erro_nulo}}, ErroDom {{erro_dom}})</small></h3>
{{#tem_valores}}
<h4>Valores que mais falham</h4>
<div class="valores">
<table><tr><th>{{campo}}</th><th class="n">falhas</th></tr>
{{#valores}}<tr><td>{{#vazio}}<span class="vazio">(vazio)</span>{{/vazio}}{{valor}}</td><td class="n">{{quantidade}}</td></tr>{{/valores}}
</table>
</div>
{{/tem_valores}}
{{#verificacoes}}
<h4>{{verificacao}}: {{legenda}}</h4>
<table class="amostra" data-arquivo="{{arquivo}}">
<thead><tr><th class="n">Registro</th><th>Apólice</th><th>Endosso</th><th>Item</th><th>Valor</th><th>Mensagem</th></tr></thead>
<tbody>
{{#linhas}}<tr><td class="n">{{registro}}</td><td class="k">{{apolice}}</td><td class="k">{{endosso}}</td><td class="k">{{item}}</td><td class="k">{{#sem_primeira}}<span class="vazio">(vazio)</span>{{/sem_primeira}}{{primeira}}</td><td>{{segunda}}</td></tr>
{{/linhas}}
</tbody>
</table>
{{/verificacoes}}
</section>
{{/secoes}}
</section>
{{/tabelas}}

{{#sem_apolice}}
<section id="sem-apolice" class="tabela">
<h2>Sinistros sem apólice</h2>
<p>{{quantidade}} de {{sinistros}} sinistros ({{percentual}}%) não têm apólice e item no arquivo de riscos.</p>
{{#tem_linhas}}
<h4>Sinistros sem apólice: {{legenda}}</h4>
<table class="amostra" data-arquivo="sinistros">
<thead><tr><th class="n">Registro</th><th>Apólice</th><th>Endosso</th><th>Item</th><th>Ocorrência (D_OCORR)</th><th>Aviso (D_AVI)</th></tr></thead>
<tbody>
{{#linhas}}<tr><td class="n">{{registro}}</td><td class="k">{{apolice}}</td><td class="k">{{endosso}}</td><td class="k">{{item}}</td><td class="k">{{#sem_primeira}}<span class="vazio">(vazio)</span>{{/sem_primeira}}{{primeira}}</td><td class="k">{{#sem_segunda}}<span class="vazio">(vazio)</span>{{/sem_segunda}}{{segunda}}</td></tr>
{{/linhas}}
</tbody>
</table>
{{/tem_linhas}}
</section>
{{/sem_apolice}}
{{#vigencia}}
<section id="vigencia">
<h2>Vigências invertidas</h2>
<p>{{riscos_texto}} com a vigência terminando antes de começar.</p>
{{#tem_linhas}}
<h4>Riscos com a vigência invertida: {{legenda}}</h4>
<table class="amostra" data-arquivo="riscos">
<thead><tr><th class="n">Registro</th><th>Apólice</th><th>Endosso</th><th>Item</th><th>Início (INICIO_VIG)</th><th>Fim (FIM_VIG)</th></tr></thead>
<tbody>
{{#linhas}}<tr><td class="n">{{registro}}</td><td class="k">{{apolice}}</td><td class="k">{{endosso}}</td><td class="k">{{item}}</td><td class="k">{{#sem_primeira}}<span class="vazio">(vazio)</span>{{/sem_primeira}}{{primeira}}</td><td class="k">{{#sem_segunda}}<span class="vazio">(vazio)</span>{{/sem_segunda}}{{segunda}}</td></tr>
{{/linhas}}
</tbody>
</table>
{{/tem_linhas}}
</section>
{{/vigencia}}

{{#conciliacao}}
<section id="{{ancora}}">
<h2>{{titulo}}</h2>
<p class="legenda">Valores<span class="kov"></span>DadosKov<span class="arq"></span>arquivo</p>
<table>
<thead><tr><th>Ramo</th><th class="n">DadosKov</th><th class="n">Arquivo</th><th>{{> escala}}</th><th class="n">Diferença</th></tr></thead>
<tbody>
{{#linhas}}
<tr><td>{{ramo}}</td><td class="n">{{kov}}</td><td class="n">{{arquivo}}</td>
<td><svg width="204" height="14" role="img" aria-label="{{ramo}}"><rect x="0" y="1" width="{{barra_kov}}" height="5" fill="#2471a3"/><rect x="0" y="8" width="{{barra_arquivo}}" height="5" fill="#7fb3d5"/></svg></td>
<td class="n{{#fora}} fora{{/fora}}">{{diferenca}}</td></tr>
{{/linhas}}
</tbody>
</table>
</section>
{{/conciliacao}}

<footer>Talmero PRX: relatório da crítica.</footer>
</body>
</html>
)HTML";

// The scale above a column of bars: 0, half and the full bar's figure ({{escala_meio}},
// {{escala_fim}} of the section it stands in).
inline constexpr const char* kHtmlScalePartial =
    R"HTML(<svg width="204" height="18" role="img" aria-label="escala de 0 a {{escala_fim}}"><g font-size="10" fill="#555"><text x="1" y="9">0</text><text x="100" y="9" text-anchor="middle">{{escala_meio}}</text><text x="203" y="9" text-anchor="end">{{escala_fim}}</text></g><path d="M0.5 12v5M100 12v5M200.5 12v5M0.5 16.5h200" stroke="#888" fill="none"/></svg>)HTML";

// The fields that got worse, or better, since the earlier run: one table for both lists.
inline constexpr const char* kHtmlComparisonGroupsPartial = R"HTML(<table>
<thead><tr><th>Arquivo</th><th>Campo</th><th>Verificação</th><th class="n">Antes</th><th class="n">Agora</th><th class="n">Corrigidas</th><th class="n">Novas</th></tr></thead>
<tbody>
{{#comp_grupos}}<tr><td>{{comp_arquivo}}</td><td>{{comp_campo}}</td><td>{{comp_verificacao}}</td><td class="n">{{comp_antes}}</td><td class="n">{{comp_agora}}</td><td class="n">{{comp_corrigidas}}</td><td class="n">{{comp_novas}}</td></tr>
{{/comp_grupos}}
</tbody>
</table>
)HTML";

}  // namespace outputs
