#pragma once
// Every error text of the table layer, in one place. The texts are part of the program's
// behaviour: the window shows them to the user as they stand.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tables {

// A folder a file was tried in, and the system's reason it could not be made there.
struct FolderFailure {
  std::string folder;
  std::string reason;
};

// What an error is about beyond its text, for a sentence that explains it to the user
// (engine/error_explanation.h); the text itself stays as it is.
struct ErrorFacts {
  std::string path;                    // the file the error is about
  bool missing = false;                // no file of that name
  bool in_use = false;                 // another program holds the file
  std::string reason;                  // the system's reason, when it gave one
  std::uint32_t record_length = 0;     // of a record longer than the read buffer
  std::vector<FolderFailure> folders;  // each folder a file was tried in, in order
  bool changed = false;                // the file changed while it was read
};

// A file or a value the table layer cannot work with: a missing or damaged file, a field the
// file lacks, a value of another type. The user can do something about it.
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  TableError(const std::string& what, ErrorFacts facts)
      : std::runtime_error(what), facts_(std::make_shared<const ErrorFacts>(std::move(facts))) {}
  // Empty facts when the error gave none.
  const ErrorFacts& facts() const;

 private:
  std::shared_ptr<const ErrorFacts> facts_;  // shared: an exception is copied without throwing
};

// A mistake of the program in using a table (an operation its state does not allow, a structure
// that cannot be built); never the data's fault. The texts that earlier versions showed for such
// mistakes keep their type (TableError) and text below.
class TableMisuse : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// TMarlSmartDBF.InternalOpen: Open error "PATH", then " (in use by another program)" when
// another program holds the file. `missing` and `reason` go into the facts.
[[noreturn]] void ThrowOpenError(std::string_view path, bool in_use = false, bool missing = false,
                                 std::string_view reason = {});
// TMarlSmartDBF.InternalOpen: File "PATH" is not DBF file
[[noreturn]] void ThrowNotDbfFile(std::string_view path);
// TMarlSmartDBF: File "PATH" changed while it was read: records of an open file read a second
// time came short (another program cut the file), or the file was written in place meanwhile.
// `changed` and the path go into the facts.
[[noreturn]] void ThrowChangedWhileRead(std::string_view path);
// TMarlSmartDBF.InternalOpen: BufferSize too small!   (the file and its record length in the
// facts)
[[noreturn]] void ThrowBufferTooSmall(std::string_view path, std::uint32_t record_length);
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
// TMarlNTXIndex.CreateIndex: Create error "NAME", then " (REASON)" when the system gave one;
// `folders` (each folder tried and why it failed there) go into the facts.
[[noreturn]] void ThrowIndexCreateError(std::string_view index_name, std::string_view reason = {},
                                        std::vector<FolderFailure> folders = {});

// TMarlNTXIndex: index file "PATH" cannot be read back   (the index changed behind its holder)
[[noreturn]] void ThrowIndexUnreadable(std::string_view path);

// Misuse of an in-memory table; each text starts with the table object's name ("OWNER: ...").
[[noreturn]] void ThrowClosedTable(std::string_view owner);
[[noreturn]] void ThrowStructureOfOpenTable(std::string_view owner);
[[noreturn]] void ThrowTooManyRows(std::string_view owner);
[[noreturn]] void ThrowTooManyFieldDefs(std::string_view owner, std::size_t count, std::size_t max);
[[noreturn]] void ThrowUnnamedFieldDef(std::string_view owner);
// OWNER: Duplicate KIND name 'NAME'   (KIND: field, index)
[[noreturn]] void ThrowDuplicateName(std::string_view owner, std::string_view kind,
                                     std::string_view name);
[[noreturn]] void ThrowUnsupportedFieldType(std::string_view owner, std::string_view name,
                                            int type);
[[noreturn]] void ThrowInvalidFieldSize(std::string_view owner, std::string_view name, int size);
[[noreturn]] void ThrowIndexNotFound(std::string_view owner, std::string_view name);
[[noreturn]] void ThrowNotEditing(std::string_view owner);

}  // namespace tables
