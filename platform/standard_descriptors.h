#pragma once

namespace platform {

// Opens each of the standard descriptors 0, 1 and 2 that a program was started without (`2>&-`)
// on the null device. Otherwise the first file the program opens takes the free number, and
// whatever it writes to standard error or output lands inside that file. Called first thing in
// main, before anything opens a file. POSIX only: on Windows it does nothing.
void OpenClosedStandardDescriptors();

}  // namespace platform
