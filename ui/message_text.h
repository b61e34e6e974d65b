#pragma once
// Texts crossing between the engine (Windows-1252 bytes) and the window (Unicode).

#include <QString>
#include <string>
#include <string_view>

namespace ui {

// A report line for the log. A line break byte inside a line (from a data value) is shown as a
// blank so that the line stays one line of the log; the stored line keeps its bytes.
QString DisplayLine(std::string_view line);

// An error message for display. The engine's texts are Windows-1252, but a path inside them
// is in the file system's encoding (UTF-8 on Linux): a message that is valid UTF-8 with
// characters beyond ASCII is read as UTF-8, any other as Windows-1252.
QString DecodeMessage(std::string_view message);

// The error box text: the message with a period added when its last character sorts after
// ".", then decoded for display.
QString ErrorBoxMessage(std::string_view message);

// Windows-1252 bytes of a text of the window (characters outside the code page become "?").
std::string ToAnsi(const QString& text);
// A path typed in the window as the operating system's file functions take it.
std::string NativePath(const QString& path);
QString FromNativePath(const std::string& path);

}  // namespace ui
