#pragma once
// In-memory keyed table: field definitions, named indexes kept sorted, Append/Edit/Post, walking
// in index order and key search. Holds the rule catalogue during a run.
//
// Index keys compare field by field: null first (two nulls equal), integers and doubles
// numerically, texts so that byte-equal texts are equal and texts differing in any byte (case,
// trailing blank) are not, with upper-case names in alphabetical order. Rows with equal keys keep
// their insertion order, so FindKey answers the earliest inserted of equal rows.

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "tables/field_value.h"

namespace tables {

class MemTable {
 public:
  explicit MemTable(std::string owner);  // owner leads the field-not-found text
  ~MemTable();
  MemTable(MemTable&&) noexcept;
  MemTable& operator=(MemTable&&) noexcept;
  MemTable(const MemTable&) = delete;
  MemTable& operator=(const MemTable&) = delete;

  // Closes the table and discards all its rows.
  void Close();
  bool IsOpen() const;

  // Structure; only while closed. Types in use: kString (size = maximum length), kInteger, kFloat.
  // At most 256 field definitions (CreateTable fails beyond).
  void ClearFieldDefs();
  void AddFieldDef(std::string name, FieldType type, int size = 0);
  void ClearIndexDefs();
  // `fields`: names separated by ";". An empty name or field list throws
  // "Missing Name or FieldNames in IndexDef!" (at CreateTable at the latest).
  void AddIndexDef(std::string name, std::string fields, int options = 0);

  // Builds the field list and one index per definition; no rows.
  void CreateTable();
  void Open();

  // Makes the named index current; the current row stays current.
  void SetIndexName(std::string_view name);
  const std::string& IndexName() const;

  // Editing. Append starts a new row with every field null; Edit starts changing the current row;
  // SetField stores a value converted to the field's type (text cut to the field's size; a text
  // into a number field is converted or throws the conversion error; null stays null);
  // Post stores the row and places it in every index.
  void Append();
  void Edit();
  void SetField(std::string_view name, const FieldValue& value);
  void Post();

  // Walking in the order of the current index.
  void First();
  void Next();
  bool Eof() const;
  std::size_t RecordCount() const;

  int FieldIndex(std::string_view name) const;  // case-insensitive; -1 when none
  // Of the current row (or of the row being appended or edited). Unknown names throw
  // "<owner>: Field '<name>' not found".
  FieldValue GetFieldValue(std::string_view name) const;
  FieldValue Value(int field) const;

  // Key search on the current index (values converted as a store; missing ones null).
  // True: the first matching row in index order becomes current. False: nothing moves.
  // An index without fields throws "There must be at least one field".
  bool FindKey(std::span<const FieldValue> values);
  bool FindKey(std::initializer_list<FieldValue> values) {
    return FindKey(std::span<const FieldValue>(values.begin(), values.size()));
  }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tables
