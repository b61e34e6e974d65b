#pragma once
// Conversion of a dBase field's stored bytes into a value, by the reading rules of the reader.
// The hot paths of the engine call these on raw bytes so that no value object is built.

#include <cstdint>
#include <optional>
#include <string_view>

#include "tables/field_value.h"

namespace tables {

struct DbfField;

// Character field: the bytes exactly as stored, up to the first NUL byte (never null).
std::string_view DbfText(std::string_view bytes);

// Integer forms: leading blanks, optional sign, then decimal digits or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X"; the text must end right after the last digit.
// Anything else (trailing blank, decimal point, lone sign, empty, out of range) gives nullopt.
// The same conversion serves the date check of the field checks.
std::optional<std::int32_t> ParseInt32(std::string_view text);
std::optional<std::int64_t> ParseInt64(std::string_view text);

// Decimal number with "." whatever the locale: leading blanks, optional sign, digits, optional
// "." and digits, optional exponent, trailing blanks, nothing else. All blanks or anything else:
// nullopt.
std::optional<double> ParseDbfFloat(std::string_view bytes);

// YYYYMMDD; all blanks or an impossible date: nullopt.
std::optional<Date> ParseDbfDate(std::string_view bytes);

// "T" true, "F" false, anything else nullopt.
std::optional<bool> ParseDbfLogical(std::string_view bytes);

// The value of `field` stored in `bytes` (exactly the field's bytes).
FieldValue DecodeField(const DbfField& field, std::string_view bytes);

}  // namespace tables
