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

}  // namespace

void ThrowOpenError(std::string_view path, bool in_use) {
  std::string text = std::string(kOpenPrefix) + "Open error " + Quoted(path);
  if (in_use) text += " (in use by another program)";
  Raise(text);
}

void ThrowNotDbfFile(std::string_view path) {
  Raise(std::string(kOpenPrefix) + "File " + Quoted(path) + " is not DBF file");
}

void ThrowBufferTooSmall() { Raise(std::string(kOpenPrefix) + "BufferSize too small!"); }

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

void ThrowIndexCreateError(std::string_view index_name, std::string_view reason) {
  std::string text = "TMarlNTXIndex.CreateIndex: Create error " + Quoted(index_name);
  if (!reason.empty()) text += " (" + std::string(reason) + ")";
  Raise(text);
}

}  // namespace tables
