#include "tables/table_error.h"

#include <string>

namespace tables {
namespace {

constexpr std::string_view kOpenPrefix = "TMarlSmartDBF.InternalOpen: ";

std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  out += text;
  out += '"';
  return out;
}

[[noreturn]] void Raise(std::string message) { throw TableError(message); }
[[noreturn]] void Raise(std::string message, ErrorFacts facts) {
  throw TableError(message, std::move(facts));
}

[[noreturn]] void Misuse(std::string_view owner, std::string_view what) {
  throw TableMisuse(std::string(owner) + ": " + std::string(what));
}

}  // namespace

const ErrorFacts& TableError::facts() const {
  static const ErrorFacts kNone;
  return facts_ ? *facts_ : kNone;
}

void ThrowOpenError(std::string_view path, bool in_use, bool missing, std::string_view reason) {
  std::string text = std::string(kOpenPrefix) + "Open error " + Quoted(path);
  if (in_use) text += " (in use by another program)";
  ErrorFacts facts;
  facts.path = path;
  facts.missing = missing;
  facts.in_use = in_use;
  facts.reason = reason;
  Raise(text, std::move(facts));
}

void ThrowNotDbfFile(std::string_view path) {
  Raise(std::string(kOpenPrefix) + "File " + Quoted(path) + " is not DBF file");
}

void ThrowChangedWhileRead(std::string_view path) {
  ErrorFacts facts;
  facts.path = path;
  facts.changed = true;
  Raise("TMarlSmartDBF: File " + Quoted(path) + " changed while it was read", std::move(facts));
}

void ThrowBufferTooSmall(std::string_view path, std::uint32_t record_length) {
  ErrorFacts facts;
  facts.path = path;
  facts.record_length = record_length;
  Raise(std::string(kOpenPrefix) + "BufferSize too small!", std::move(facts));
}

void ThrowBadHeader(std::string_view what, std::string_view path) {
  Raise(std::string(kOpenPrefix) + std::string(what) + " " + Quoted(path));
}

void ThrowFieldNotFound(std::string_view owner, std::string_view name) {
  Raise(std::string(owner) + ": Field '" + std::string(name) + "' not found");
}

void ThrowListIndexOutOfBounds(long long index) {
  Raise("List index out of bounds (" + std::to_string(index) + ")");
}

void ThrowFieldPastRecordEnd(std::string_view field, std::string_view path) {
  Raise("Field '" + std::string(field) + "' runs past the end of the record in " + Quoted(path));
}

void ThrowNoCurrentRecord(std::string_view owner) {
  Raise(std::string(owner) + ": No current record");
}

void ThrowConversion(std::string_view from, std::string_view to) {
  Raise("Could not convert variant of type (" + std::string(from) + ") into type (" +
        std::string(to) + ")");
}

void ThrowNoIndexFields() { Raise("There must be at least one field"); }

void ThrowBadIndexDef() { Raise("Missing Name or FieldNames in IndexDef!"); }

void ThrowIndexOnClosedTable() {
  Raise("TMarlNTXIndex.CreateIndex: Create index only on active DataSet");
}

void ThrowIndexCreateError(std::string_view index_name, std::string_view reason,
                           std::vector<FolderFailure> folders) {
  std::string text = "TMarlNTXIndex.CreateIndex: Create error " + Quoted(index_name);
  if (!reason.empty()) text += " (" + std::string(reason) + ")";
  ErrorFacts facts;
  facts.folders = std::move(folders);
  Raise(text, std::move(facts));
}

void ThrowIndexUnreadable(std::string_view path) {
  Raise("TMarlNTXIndex: index file " + Quoted(path) + " cannot be read back");
}

void ThrowClosedTable(std::string_view owner) {
  Misuse(owner, "Cannot perform this operation on a closed table");
}

void ThrowStructureOfOpenTable(std::string_view owner) {
  Misuse(owner, "Cannot change the structure of an open table");
}

void ThrowTooManyRows(std::string_view owner) { Misuse(owner, "Too many rows"); }

void ThrowTooManyFieldDefs(std::string_view owner, std::size_t count, std::size_t max) {
  Misuse(owner, "Too many field definitions (" + std::to_string(count) + "); at most " +
                    std::to_string(max) + " are allowed");
}

void ThrowUnnamedFieldDef(std::string_view owner) {
  Misuse(owner, "Field definition without a name");
}

void ThrowDuplicateName(std::string_view owner, std::string_view kind, std::string_view name) {
  std::string text = "Duplicate ";
  text += kind;
  text += " name '";
  text += name;
  text += "'";
  Misuse(owner, text);
}

void ThrowUnsupportedFieldType(std::string_view owner, std::string_view name, int type) {
  Misuse(owner, "Field '" + std::string(name) + "' has an unsupported type (" +
                    std::to_string(type) + ")");
}

void ThrowInvalidFieldSize(std::string_view owner, std::string_view name, int size) {
  Misuse(owner,
         "Field '" + std::string(name) + "' has an invalid size (" + std::to_string(size) + ")");
}

void ThrowIndexNotFound(std::string_view owner, std::string_view name) {
  Misuse(owner, "Index '" + std::string(name) + "' not found");
}

void ThrowNotEditing(std::string_view owner) { Misuse(owner, "Table not in edit or append mode"); }

}  // namespace tables
