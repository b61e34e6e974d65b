#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// `stem`, a dash, 16 random hexadecimal digits and `extension` ("apolice-3f09….ntx"): a name
// for a new file that no other run will pick. Callers still create it exclusively.
std::string UniqueName(std::string_view stem, std::string_view extension);

// Whether `name` is one that UniqueName(stem, extension) gives.
bool IsUniqueName(std::string_view name, std::string_view stem, std::string_view extension);

// The start of `stem` that keeps UniqueName(result, extension) within `limit` bytes (the whole
// stem when it fits). The cut falls before a UTF-8 sequence, never inside one.
std::string_view StemThatFits(std::string_view stem, std::string_view extension, std::size_t limit);

}  // namespace platform
