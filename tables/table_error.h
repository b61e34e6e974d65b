#pragma once
// Every error text of the table layer, in one place. The texts are part of the program's
// behaviour: the window shows them to the user as they stand.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tables {

class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// TMarlSmartDBF.InternalOpen: Open error "PATH", then " (in use by another program)" when
// another program holds the file
[[noreturn]] void ThrowOpenError(std::string_view path, bool in_use = false);
// TMarlSmartDBF.InternalOpen: File "PATH" is not DBF file
[[noreturn]] void ThrowNotDbfFile(std::string_view path);
// TMarlSmartDBF.InternalOpen: BufferSize too small!
[[noreturn]] void ThrowBufferTooSmall();
// TMarlSmartDBF.InternalOpen: <what is wrong with the header> "PATH" (our own wording, for broken
// headers)
[[noreturn]] void ThrowBadHeader(std::string_view what, std::string_view path);
// OWNER: Field 'NAME' not found   (OWNER is the table object's name, e.g. tbDados)
[[noreturn]] void ThrowFieldNotFound(std::string_view owner, std::string_view name);
// List index out of bounds (I)
[[noreturn]] void ThrowListIndexOutOfBounds(long long index);
// A field whose bytes run past the end of the record (a header that lies about the record length).
[[noreturn]] void ThrowFieldPastRecordEnd(std::string_view field, std::string_view path);
// OWNER: No current record   (a value read on a closed table or at Eof: a programmer error)
[[noreturn]] void ThrowNoCurrentRecord(std::string_view owner);
// Could not convert variant of type (FROM) into type (TO)
[[noreturn]] void ThrowConversion(std::string_view from, std::string_view to);
// There must be at least one field
[[noreturn]] void ThrowNoIndexFields();
// Missing Name or FieldNames in IndexDef!
[[noreturn]] void ThrowBadIndexDef();
// TMarlNTXIndex.CreateIndex: Create index only on active DataSet
[[noreturn]] void ThrowIndexOnClosedTable();
// TMarlNTXIndex.CreateIndex: Create error "NAME", then " (REASON)" when the system gave one
[[noreturn]] void ThrowIndexCreateError(std::string_view index_name, std::string_view reason = {});

}  // namespace tables
