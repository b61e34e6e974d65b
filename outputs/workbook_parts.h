#pragma once
// A check of a written workbook (a zip archive of XML parts): every part is there whole. The
// workbook library writes each part to a temporary file first and never learns when such a
// write failed (a full temporary folder), so a part may reach the archive empty or cut short;
// only reading the archive back tells. Each part is inflated once by minizip's reader (which
// also checks its checksum), keeping only its first and last bytes, so memory does not grow
// with the workbook.

#include <string>

namespace outputs {

// True when the archive at `path` can be read and each of its XML parts ends with the closing
// tag of the element it opens with. Else false with the reason in `*reason`: the part that is
// missing or cut, or why the archive could not be read. A path that is no plain file (a device
// the workbook went into) cannot be read back, and passes.
bool WorkbookPartsWhole(const std::string& path, std::string* reason);

}  // namespace outputs
