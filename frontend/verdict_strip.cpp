#include "frontend/verdict_strip.h"

#include "engine/number_style.h"
#include "engine/verdict_style.h"
#include "frontend/message_text.h"

namespace frontend {
namespace {

constexpr std::size_t kErrorChars = 60;
constexpr std::size_t kReasonChars = 48;
constexpr std::string_view kPanelHint = "Painel de falhas: Ctrl+Shift+F";

std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return engine::CountText(n) + " " + std::string(n > 1 ? many : one);
}

// The first `chars` characters of UTF-8 `text`.
std::string CutUtf8(const std::string& text, std::size_t chars, bool* cut) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (seen++ == chars) {
      *cut = true;
      return text.substr(0, i);
    }
  }
  *cut = false;
  return text;
}

// A sentence that ends in its own period or a cut keeps it; any other gets one.
void EndSentence(std::string& text) {
  if (!text.empty() && text.back() != '.' && !text.ends_with("…")) text += '.';
}

void AppendSentence(std::string& text, const std::string& sentence) {
  if (sentence.empty()) return;
  EndSentence(text);
  text += " " + sentence;
}

// "dd/MM HH:mm" of "YYYY-MM-DDThh:mm:ss"; the text as it is when it has another form.
std::string DayAndTime(const std::string& iso) {
  if (iso.size() < 16 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "/" + iso.substr(5, 2) + " " + iso.substr(11, 5);
}

std::string Plural(std::int64_t n, std::string_view one, std::string_view many) {
  return engine::CountText(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

VerdictStrip StripReady() { return {"Pronto", {}, std::nullopt, {}}; }

VerdictStrip StripRunning() { return {"Criticando…", {}, std::nullopt, {}}; }

std::string ErrorSummary(std::string_view message, const std::optional<std::string>& explanation) {
  if (explanation && !explanation->empty()) return DecodeMessage(*explanation);
  const std::string first = DecodeMessage(message.substr(0, message.find_first_of("\r\n")));
  bool cut = false;
  std::string shown = CutUtf8(first, kErrorChars, &cut);
  if (cut) shown += "…";
  return shown;
}

VerdictStrip StripOf(const engine::Verdict& verdict, const StripNotes& notes,
                     const std::optional<std::string>& explanation) {
  const engine::VerdictStyle style = engine::StyleOf(verdict);
  VerdictStrip strip;
  strip.title = DecodeMessage(style.title);
  strip.colour = engine::ColourRgb(style.colour);
  std::string detail;
  std::string main_reason;
  if (verdict.resultado == engine::VerdictOutcome::kErro) {
    const std::string message = verdict.motivos.empty() ? std::string() : verdict.motivos[0].texto;
    detail = ErrorSummary(message, explanation);
  } else {
    if (!verdict.motivos.empty()) detail = Count(verdict.motivos.size(), "motivo", "motivos");
    if (!verdict.avisos.empty()) {
      if (!detail.empty()) detail += ", ";
      detail += Count(verdict.avisos.size(), "aviso", "avisos");
    }
    const auto& first = verdict.motivos.empty() ? verdict.avisos : verdict.motivos;
    if (!first.empty()) {
      // Whole in the tooltip; cut in the line, so that the panel's key stays in sight.
      strip.reason = DecodeMessage(first[0].texto);
      bool cut = false;
      main_reason = CutUtf8(strip.reason, kReasonChars, &cut);
      if (cut) main_reason += "…";
    }
  }
  strip.text = strip.title;
  if (!detail.empty()) strip.text += ": " + detail;
  // What changed since the last check comes first: it is what the user came back for.
  if (notes.comparison) {
    const StripComparison& c = *notes.comparison;
    strip.text += " — desde a crítica de " + DayAndTime(c.inicio) + ": " +
                  Plural(c.corrigidas, "corrigida", "corrigidas") + ", " +
                  Plural(c.novas, "nova", "novas");
  }
  AppendSentence(strip.text, main_reason);
  if (!notes.catalogue_folder.empty()) {
    AppendSentence(strip.text, "Catálogo da pasta " + notes.catalogue_folder);
  }
  EndSentence(strip.text);
  if (!notes.history_notice.empty()) strip.text += " (Histórico: " + notes.history_notice + ")";
  // The key is no sentence: it ends the line as it stands.
  if (notes.panel) strip.text += " " + std::string(kPanelHint);
  return strip;
}

VerdictStrip StripOf(const engine::RunResult& result, const std::optional<std::string>& error,
                     const StripNotes& notes, const std::optional<std::string>& explanation) {
  // The run keeps the explanation of the error that ended it; a caller's own one goes first.
  std::optional<std::string> why = explanation;
  if (!why && !result.error_explanation.empty()) why = result.error_explanation;
  return StripOf(engine::ComputeVerdict(result, error, engine::VerdictLimits{}), notes, why);
}

}  // namespace frontend
