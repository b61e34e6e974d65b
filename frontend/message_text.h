#pragma once
// Texts crossing from the engine (Windows-1252 bytes) to a window. Results are UTF-8; each
// window converts them to its own text type.

#include <string>
#include <string_view>

namespace frontend {

// A report line for the log. A line break or NUL byte inside a line (from a data value) is shown
// as a blank so that the line stays one line of the log; the stored line keeps its bytes.
std::string DisplayLine(std::string_view line);

// An error message for display. The engine's texts are Windows-1252, but a path inside them
// may be in the file system's encoding (UTF-8 on Linux): a message that is valid UTF-8 with
// characters beyond ASCII is read as UTF-8, any other as Windows-1252.
std::string DecodeMessage(std::string_view message);

// The error box text: the message with a period added when its last character sorts after
// ".", then decoded for display.
std::string ErrorBoxMessage(std::string_view message);

// The error box of a run that ended in error: ErrorBoxMessage(message) as it is, then, when the
// run explained it (UTF-8, engine/error_explanation.h), an empty line and "causa: " with the
// explanation, as the runner writes it beside the message.
std::string ErrorBoxMessage(std::string_view message, std::string_view explanation);

// A path (UTF-8 as typed, or Windows-1252) for a message made of Windows-1252 bytes, so that
// DecodeMessage reads the whole message one way; a character that code page lacks shows as
// "?". For display only: never a path to open.
std::string PathInMessage(std::string_view path);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view text);

}  // namespace frontend
