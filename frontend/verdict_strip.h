#pragma once
// The line under the log of both windows: "Pronto" before the first run, "Criticando…" during
// one, and after it the run's verdict (computed as the runner does, without limits) with a
// coloured mark, its counts and its main reason (the first reason, or the first warning of an
// acceptable run), the catalogue folder when the user chose one, and the panel's key when there is
// a list to show, e.g. "Rejeitado: 1 motivo, 104 avisos. O arquivo da tabela RISCOS tem mais de
// uma empresa. Painel de falhas: Ctrl+Shift+F". A run compared with the company's earlier one in
// the history adds, before the key, "— desde a crítica de 09/12 14:02: 1.203 corrigidas, 15
// novas". Texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/run_result.h"
#include "engine/verdict.h"

namespace frontend {

struct VerdictStrip {
  std::string text;
  std::string title;                    // engine::StyleOf's title; empty before and during a run
  std::optional<std::uint32_t> colour;  // the mark's 0xRRGGBB; none before and during a run
  std::string reason;                   // the main reason whole (the line may cut it)
};

// The run beside the company's earlier one in the history.
struct StripComparison {
  std::string inicio;  // the earlier run's start, "YYYY-MM-DDThh:mm:ss"
  std::int64_t corrigidas = 0;
  std::int64_t novas = 0;
};

// What the strip adds after the verdict.
struct StripNotes {
  std::string catalogue_folder;  // a folder the user chose, as shown; empty for the program's
  bool panel = false;            // the run left a list that the panel shows
  std::optional<StripComparison> comparison{};
  std::string history_notice{};  // why the history is not kept, told once; empty: none
};

VerdictStrip StripReady();
VerdictStrip StripRunning();
// `explanation`: the Portuguese explanation that came with the error that ended the run, if any;
// from a run's result, by default the one the run kept (RunResult::error_explanation).
VerdictStrip StripOf(const engine::Verdict& verdict, const StripNotes& notes,
                     const std::optional<std::string>& explanation = std::nullopt);
VerdictStrip StripOf(const engine::RunResult& result, const std::optional<std::string>& error,
                     const StripNotes& notes,
                     const std::optional<std::string>& explanation = std::nullopt);

// What the strip says of an error: its explanation when it has one, else the message's first
// line, cut at 60 characters with "…" (the message may be Windows-1252 or UTF-8, as it came).
std::string ErrorSummary(std::string_view message, const std::optional<std::string>& explanation);

}  // namespace frontend
