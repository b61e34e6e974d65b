#pragma once
// Small text helpers of the report. All texts are bytes in Windows-1252.

#include <cstddef>
#include <string>
#include <string_view>

#include "tables/ascii.h"

namespace engine {

// Trimming and case-insensitive comparison are the table layer's ASCII helpers.
using tables::EndsWithIgnoringCase;
using tables::Trimmed;
using tables::TrimmedRight;

// `text` followed by blanks up to `width` characters; a longer text is never cut.
std::string PaddedTo(std::string_view text, std::size_t width);
void AppendPadded(std::string& out, std::string_view text, std::size_t width);

// Windows-1252 <-> UTF-8, for the edges (the runner's standard output, the window's log).
// Bytes that Windows-1252 leaves undefined map to the C1 control of the same number.
std::string Win1252ToUtf8(std::string_view bytes);
// Characters with no Windows-1252 byte become "?".
std::string Utf8ToWin1252(std::string_view utf8);

// A text as the user typed it (a path, a message that carries one): UTF-8 when it is valid
// UTF-8, else read as Windows-1252.
std::string TypedToUtf8(std::string_view text);

// A literal of this program written in UTF-8 source, as Windows-1252 bytes.
inline std::string Ansi(std::string_view utf8) { return Utf8ToWin1252(utf8); }

}  // namespace engine
