#include "tables/mem_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tables/ascii.h"
#include "tables/mem_index.h"
#include "tables/table_error.h"

namespace tables {

namespace {

using mem::Cell;
using mem::Row;
using mem::RowId;

constexpr std::size_t kMaxFieldDefs = 256;

// How a field's values are held.
enum class Storage { kText, kInt32, kInt64, kDouble, kBool, kDate };

std::optional<Storage> StorageOf(FieldType type) {
  switch (type) {
    case FieldType::kString:
    case FieldType::kMemo:
      return Storage::kText;
    case FieldType::kSmallint:
    case FieldType::kInteger:
    case FieldType::kWord:
    case FieldType::kAutoInc:
      return Storage::kInt32;
    case FieldType::kLargeint:
      return Storage::kInt64;
    case FieldType::kFloat:
    case FieldType::kCurrency:
    case FieldType::kBcd:
      return Storage::kDouble;
    case FieldType::kBoolean:
      return Storage::kBool;
    case FieldType::kDate:
      return Storage::kDate;
    default:
      return std::nullopt;
  }
}

const char* StorageName(Storage s) {
  switch (s) {
    case Storage::kText:
      return "String";
    case Storage::kInt32:
      return "Integer";
    case Storage::kInt64:
      return "Int64";
    case Storage::kDouble:
      return "Double";
    case Storage::kBool:
      return "Boolean";
    case Storage::kDate:
      return "Date";
  }
  return "String";
}

struct FieldDef {
  std::string name;
  FieldType type = FieldType::kString;
  int size = 0;
};

struct IndexDef {
  std::string name;
  std::string fields;
  int options = 0;
};

struct Field {
  std::string name;
  Storage storage = Storage::kText;
  std::size_t max_length = 0;  // texts: cut to this; 0 = no limit (memo)
};

// A whole text (blanks around it allowed) as an integer; nullopt for anything else.
std::optional<std::int64_t> TextToInt64(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<double> TextToDouble(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// An integer value (int32, int64, integral double or integer text) in [lo, hi].
std::int64_t ToInteger(const FieldValue& v, Storage target, std::int64_t lo, std::int64_t hi) {
  const char* from = FieldValue::KindName(v.kind());
  std::optional<std::int64_t> n;
  switch (v.kind()) {
    case FieldValue::Kind::kInt32:
      n = v.int32();
      break;
    case FieldValue::Kind::kInt64:
      n = v.int64();
      break;
    case FieldValue::Kind::kDouble: {
      // Rounded to the nearest integer (halves to even), as a variant conversion does.
      const double r = std::nearbyint(v.dbl());
      if (std::isfinite(r) && r >= static_cast<double>(lo) && r <= static_cast<double>(hi)) {
        n = static_cast<std::int64_t>(r);
      }
      break;
    }
    case FieldValue::Kind::kText:
      n = TextToInt64(v.text());
      break;
    default:
      break;
  }
  if (!n || *n < lo || *n > hi) ThrowConversion(from, StorageName(target));
  return *n;
}

Cell ToCell(const Field& field, const FieldValue& v) {
  if (v.IsNull()) return std::monostate{};
  switch (field.storage) {
    case Storage::kText: {
      std::string text = v.kind() == FieldValue::Kind::kText ? v.text() : v.AsString();
      if (field.max_length > 0 && text.size() > field.max_length) text.resize(field.max_length);
      return text;
    }
    case Storage::kInt32:
      return static_cast<std::int32_t>(ToInteger(v, field.storage,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
    case Storage::kInt64:
      return ToInteger(v, field.storage, std::numeric_limits<std::int64_t>::min(),
                       std::numeric_limits<std::int64_t>::max());
    case Storage::kDouble:
      switch (v.kind()) {
        case FieldValue::Kind::kInt32:
          return static_cast<double>(v.int32());
        case FieldValue::Kind::kInt64:
          return static_cast<double>(v.int64());
        case FieldValue::Kind::kDouble:
          return v.dbl();
        case FieldValue::Kind::kText:
          if (auto d = TextToDouble(v.text())) return *d;
          break;
        default:
          break;
      }
      break;
    case Storage::kBool:
      if (v.kind() == FieldValue::Kind::kBool) return v.boolean();
      break;
    case Storage::kDate:
      if (v.kind() == FieldValue::Kind::kDate) return v.date();
      break;
  }
  ThrowConversion(FieldValue::KindName(v.kind()), StorageName(field.storage));
}

FieldValue ToFieldValue(const Cell& c) {
  struct Visitor {
    FieldValue operator()(std::monostate) const { return FieldValue(); }
    FieldValue operator()(const std::string& s) const { return FieldValue::Text(s); }
    FieldValue operator()(std::int32_t i) const { return FieldValue::Int32(i); }
    FieldValue operator()(std::int64_t i) const { return FieldValue::Int64(i); }
    FieldValue operator()(double d) const { return FieldValue::Double(d); }
    FieldValue operator()(bool b) const { return FieldValue::Bool(b); }
    FieldValue operator()(Date d) const { return FieldValue::FromDate(d); }
  };
  return std::visit(Visitor{}, c);
}

}  // namespace

struct MemTable::Impl {
  enum class Mode { kBrowse, kAppend, kEdit };

  std::string owner;
  std::vector<FieldDef> field_defs;
  std::vector<IndexDef> index_defs;

  bool created = false;
  bool open = false;
  std::vector<Field> fields;
  std::vector<mem::SortedIndex> indexes;
  int current_index = -1;  // -1: insertion order
  std::string index_name;

  std::vector<Row> rows;
  std::optional<RowId> current;  // the current row
  bool eof = true;

  Mode mode = Mode::kBrowse;
  Row buffer;  // the row being appended or edited
  bool modified = false;

  void RequireOpen() const {
    if (!open) ThrowClosedTable(owner);
  }
  void RequireClosed() const {
    if (open) ThrowStructureOfOpenTable(owner);
  }

  std::size_t FieldOrThrow(std::string_view name) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (EqualsIgnoringCase(fields[i].name, name)) return i;
    }
    ThrowFieldNotFound(owner, name);
  }

  // Row ids in the current index's order. Only the sorted indexes keep a list.
  RowId IdAt(std::size_t pos) {
    if (current_index < 0) return static_cast<RowId>(pos);
    return indexes[static_cast<std::size_t>(current_index)].Order(rows)[pos];
  }
  std::size_t PositionOf(RowId id) {
    if (current_index < 0) return id;
    return indexes[static_cast<std::size_t>(current_index)].PositionOf(rows, id);
  }

  // Before moving, searching or switching: a changed row is posted, an unchanged one dropped.
  void EndEditing() {
    if (mode == Mode::kBrowse) return;
    if (modified) {
      PostBuffer();
    } else {
      mode = Mode::kBrowse;
      buffer.clear();
    }
  }

  void PostBuffer() {
    if (mode == Mode::kAppend) {
      if (rows.size() >= std::numeric_limits<RowId>::max()) ThrowTooManyRows(owner);
      const auto id = static_cast<RowId>(rows.size());
      rows.push_back(std::move(buffer));
      for (auto& index : indexes) index.Add(rows, id);
      current = id;
      eof = false;
    } else if (mode == Mode::kEdit && current) {
      const RowId id = *current;
      // Only indexes whose key fields changed move the row; counters are not in any key.
      std::vector<mem::SortedIndex*> moved;
      for (auto& index : indexes) {
        for (int f : index.fields()) {
          const auto i = static_cast<std::size_t>(f);
          if (mem::CompareCells(rows[id][i], buffer[i]) != 0 ||
              rows[id][i].index() != buffer[i].index()) {
            moved.push_back(&index);
            break;
          }
        }
      }
      for (auto* index : moved) index->Remove(rows, id);
      rows[id] = std::move(buffer);
      for (auto* index : moved) index->Insert(rows, id);
    }
    buffer.clear();
    mode = Mode::kBrowse;
    modified = false;
  }

  void Reset() {
    rows.clear();
    for (auto& index : indexes) index.Clear();
    current.reset();
    eof = true;
    mode = Mode::kBrowse;
    buffer.clear();
    modified = false;
  }

  void Build() {
    if (field_defs.size() > kMaxFieldDefs) {
      ThrowTooManyFieldDefs(owner, field_defs.size(), kMaxFieldDefs);
    }
    std::vector<Field> new_fields;
    for (const FieldDef& def : field_defs) {
      const auto storage = StorageOf(def.type);
      if (def.name.empty()) ThrowUnnamedFieldDef(owner);
      for (const Field& f : new_fields) {
        if (EqualsIgnoringCase(f.name, def.name)) ThrowDuplicateName(owner, "field", def.name);
      }
      if (!storage) {
        ThrowUnsupportedFieldType(owner, def.name, static_cast<int>(def.type));
      }
      if (def.type == FieldType::kString && def.size <= 0) {
        ThrowInvalidFieldSize(owner, def.name, def.size);
      }
      new_fields.push_back(Field{
          def.name, *storage,
          def.type == FieldType::kString ? static_cast<std::size_t>(def.size) : std::size_t{0}});
    }
    fields = std::move(new_fields);

    std::vector<mem::SortedIndex> new_indexes;
    for (const IndexDef& def : index_defs) {
      std::vector<int> key;
      std::string_view list = def.fields;
      while (true) {
        const std::size_t semi = list.find(';');
        const std::string_view part = Trimmed(list.substr(0, semi));
        if (!part.empty()) key.push_back(static_cast<int>(FieldOrThrow(part)));
        if (semi == std::string_view::npos) break;
        list.remove_prefix(semi + 1);
      }
      if (Trimmed(def.name).empty() || key.empty()) ThrowBadIndexDef();
      for (const auto& other : new_indexes) {
        if (EqualsIgnoringCase(other.name(), def.name)) {
          ThrowDuplicateName(owner, "index", def.name);
        }
      }
      new_indexes.emplace_back(def.name, std::move(key));
    }
    indexes = std::move(new_indexes);
    current_index = -1;
    index_name.clear();
    Reset();
    created = true;
  }
};

MemTable::MemTable(std::string owner) : impl_(std::make_unique<Impl>()) {
  impl_->owner = std::move(owner);
}
MemTable::~MemTable() = default;
MemTable::MemTable(MemTable&&) noexcept = default;
MemTable& MemTable::operator=(MemTable&&) noexcept = default;

void MemTable::Close() {
  impl_->Reset();
  impl_->open = false;
}

bool MemTable::IsOpen() const { return impl_->open; }

void MemTable::ClearFieldDefs() {
  impl_->RequireClosed();
  impl_->field_defs.clear();
}

void MemTable::AddFieldDef(std::string name, FieldType type, int size) {
  impl_->RequireClosed();
  impl_->field_defs.push_back(FieldDef{std::move(name), type, size});
}

void MemTable::ClearIndexDefs() {
  impl_->RequireClosed();
  impl_->index_defs.clear();
}

void MemTable::AddIndexDef(std::string name, std::string fields, int options) {
  impl_->RequireClosed();
  impl_->index_defs.push_back(IndexDef{std::move(name), std::move(fields), options});
}

void MemTable::CreateTable() {
  // Rebuilding an open table starts it over, like a Close first.
  impl_->open = false;
  impl_->Reset();
  impl_->created = false;
  impl_->Build();
  impl_->open = true;
}

void MemTable::Open() {
  if (impl_->open) return;
  if (!impl_->created) impl_->Build();
  impl_->Reset();
  impl_->open = true;
}

void MemTable::SetIndexName(std::string_view name) {
  Impl& t = *impl_;
  int found = -1;
  if (!name.empty()) {
    for (std::size_t i = 0; i < t.indexes.size(); ++i) {
      if (EqualsIgnoringCase(t.indexes[i].name(), name)) found = static_cast<int>(i);
    }
    if (found < 0) ThrowIndexNotFound(t.owner, name);
  }
  t.EndEditing();
  t.current_index = found;
  t.index_name = found < 0 ? std::string() : t.indexes[static_cast<std::size_t>(found)].name();
  // The current row stays current; its place in the new order is found when needed.
  t.eof = t.rows.empty();
}

const std::string& MemTable::IndexName() const { return impl_->index_name; }

void MemTable::Append() {
  Impl& t = *impl_;
  t.RequireOpen();
  t.EndEditing();
  t.buffer.assign(t.fields.size(), Cell{});
  t.mode = Impl::Mode::kAppend;
  t.modified = false;
}

void MemTable::Edit() {
  Impl& t = *impl_;
  t.RequireOpen();
  if (t.mode != Impl::Mode::kBrowse) return;  // already changing a row
  if (!t.current) {
    Append();  // nothing to edit in an empty table: a new row instead
    return;
  }
  t.buffer = t.rows[*t.current];
  t.mode = Impl::Mode::kEdit;
  t.modified = false;
}

void MemTable::SetField(std::string_view name, const FieldValue& value) {
  Impl& t = *impl_;
  t.RequireOpen();
  const std::size_t i = t.FieldOrThrow(name);
  if (t.mode == Impl::Mode::kBrowse) ThrowNotEditing(t.owner);
  t.buffer[i] = ToCell(t.fields[i], value);
  t.modified = true;
}

void MemTable::Post() {
  Impl& t = *impl_;
  t.RequireOpen();
  if (t.mode != Impl::Mode::kBrowse) t.PostBuffer();
}

void MemTable::First() {
  Impl& t = *impl_;
  t.RequireOpen();
  t.EndEditing();
  if (t.rows.empty()) {
    t.current.reset();
    t.eof = true;
    return;
  }
  t.current = t.IdAt(0);
  t.eof = false;
}

void MemTable::Next() {
  Impl& t = *impl_;
  t.RequireOpen();
  t.EndEditing();
  if (t.eof || !t.current) return;
  const std::size_t pos = t.PositionOf(*t.current) + 1;
  if (pos < t.rows.size()) {
    t.current = t.IdAt(pos);
  } else {
    t.eof = true;  // the last row stays current
  }
}

bool MemTable::Eof() const { return !impl_->open || impl_->eof; }

std::size_t MemTable::RecordCount() const { return impl_->rows.size(); }

int MemTable::FieldIndex(std::string_view name) const {
  const Impl& t = *impl_;
  for (std::size_t i = 0; i < t.fields.size(); ++i) {
    if (EqualsIgnoringCase(t.fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

FieldValue MemTable::GetFieldValue(std::string_view name) const {
  return Value(static_cast<int>(impl_->FieldOrThrow(name)));
}

FieldValue MemTable::Value(int field) const {
  const Impl& t = *impl_;
  if (field < 0 || static_cast<std::size_t>(field) >= t.fields.size()) {
    ThrowListIndexOutOfBounds(field);
  }
  const auto i = static_cast<std::size_t>(field);
  if (t.mode != Impl::Mode::kBrowse) return ToFieldValue(t.buffer[i]);
  if (!t.open || !t.current) return FieldValue();
  return ToFieldValue(t.rows[*t.current][i]);
}

bool MemTable::FindKey(std::span<const FieldValue> values) {
  Impl& t = *impl_;
  t.RequireOpen();
  t.EndEditing();
  if (t.current_index < 0) ThrowNoIndexFields();
  auto& index = t.indexes[static_cast<std::size_t>(t.current_index)];
  const auto& key_fields = index.fields();
  std::vector<Cell> key(key_fields.size());
  for (std::size_t k = 0; k < key.size() && k < values.size(); ++k) {
    key[k] = ToCell(t.fields[static_cast<std::size_t>(key_fields[k])], values[k]);
  }
  const auto pos = index.Find(t.rows, key);
  if (!pos) return false;
  t.current = index.Order(t.rows)[*pos];
  t.eof = false;
  return true;
}

}  // namespace tables
