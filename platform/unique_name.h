#pragma once
#include <string>
#include <string_view>

namespace platform {

// `stem`, a dash, 16 random hexadecimal digits and `extension` ("apolice-3f09….ntx"): a name
// for a new file that no other run will pick. Callers still create it exclusively.
std::string UniqueName(std::string_view stem, std::string_view extension);

}  // namespace platform
