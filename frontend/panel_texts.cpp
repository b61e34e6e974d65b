#include "frontend/panel_texts.h"

#include <cstdio>

#include "engine/number_style.h"
#include "engine/text.h"
#include "frontend/message_text.h"

namespace frontend {

std::string ShownCountText(std::size_t shown, std::size_t total) {
  return engine::CountText(shown) + " de " + engine::CountText(total) + " falhas mostradas";
}

std::string ChoiceText(std::string_view value, std::size_t rows) {
  const std::string shown = value.empty() ? "(todos)" : DisplayLine(engine::Trimmed(value));
  return shown + " (" + engine::CountText(rows) + ")";
}

std::string PercentText(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", share);
  std::string result = text;
  for (char& c : result) {
    if (c == '.') c = ',';
  }
  return result;
}

}  // namespace frontend
