#pragma once
// Texts made fit for the pages and workbooks: valid UTF-8 always, control characters shown.

#include <string>
#include <string_view>

namespace outputs {

// `text` with each byte that does not begin or continue a well-formed UTF-8 sequence (a
// Latin-1 letter in a path, a cut sequence, an overlong form, a surrogate) replaced by U+FFFD.
// Valid UTF-8 passes unchanged.
std::string ValidUtf8(std::string_view text);

// `text` (UTF-8) escaped for an HTML page: & < > " ' as entities, as the templates always did;
// a control character other than TAB, LF and CR as its symbol from the Control Pictures block
// (0x01 as U+2401 "␁", 0x7F as U+2421 "␡"), which the page shows and a parser accepts; bytes
// that are not UTF-8 as U+FFFD.
std::string HtmlEscaped(const std::string& text);

}  // namespace outputs
