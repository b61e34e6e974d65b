#include "tables/key_index.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "tables/ascii.h"
#include "tables/dbf_format.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"
#include "tables/ntx_cache.h"
#include "tables/ntx_format.h"
#include "tables/ntx_page.h"
#include "tables/ntx_runs.h"
#include "tables/ntx_tree.h"
#include "tables/table_error.h"

namespace tables {
namespace {

using ntx::PageReader;
using ntx::ProbeJoin;
using ntx::TreeWriter;

// Sort memory of one batch of the build.
constexpr std::size_t kSortBudget = 1024 * 1024;
// Read buffers of all runs together while they are merged.
constexpr std::size_t kMergeReadBudget = 4 * 1024 * 1024;
// Longest key a page can hold at least two of with room to spare.
constexpr std::size_t kMaxKeySize = 256;
// Pages kept in memory for searches: the inner pages of an index of several million keys
// (4 MiB) and 40 MiB of leaves, so the whole index of a million risks is searched in memory.
constexpr std::size_t kInnerPages = 4096;
constexpr std::size_t kLeafSlots = 40960;
// Records whose visibility is noted during the build (8 MiB of bits); beyond that the search
// asks the table.
constexpr std::uint64_t kMaxVisibilityBits = std::uint64_t{64} << 20;
// A tree over 2^32 keys is at most 7 levels deep; a deeper walk means a damaged file.
constexpr int kMaxDepth = 16;

struct KeyPart {
  std::string name;
  std::size_t offset = 0;
  std::size_t length = 0;
};

// The fields the expression names, in order. A name the table lacks throws the table's
// field-not-found error.
std::vector<KeyPart> ResolveExpression(const DbfTable& table, std::string_view expression) {
  if (Trimmed(expression).empty()) ThrowNoIndexFields();
  std::vector<KeyPart> parts;
  while (true) {
    const std::size_t plus = expression.find('+');
    const DbfField& field = table.FieldByName(Trimmed(expression.substr(0, plus)));
    parts.push_back({field.name, field.offset, field.length});
    if (plus == std::string_view::npos) break;
    expression.remove_prefix(plus + 1);
  }
  return parts;
}

std::size_t KeySizeOf(const std::vector<KeyPart>& parts) {
  std::size_t size = 0;
  for (const KeyPart& part : parts) size += part.length;
  return size;
}

bool SameParts(const std::vector<KeyPart>& a, const std::vector<KeyPart>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].offset != b[i].offset || a[i].length != b[i].length) return false;
  }
  return true;
}

// Copies the n bytes at `from` to `to` a word at a time (the last word overlapping the one
// before it, so nothing outside either is touched) and tells whether they hold a NUL.
bool CopyFindNul(unsigned char* to, const char* from, std::size_t n) {
  using swar::ZeroBytes;
  if (n >= 8) {
    std::uint64_t nul = 0;
    for (std::size_t i = 0;; i += 8) {
      const std::size_t at = std::min(i, n - 8);
      std::uint64_t word = 0;
      std::memcpy(&word, from + at, 8);
      std::memcpy(to + at, &word, 8);
      nul |= ZeroBytes(word);
      if (at == n - 8) return nul != 0;
    }
  }
  if (n >= 4) {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::memcpy(&first, from, 4);
    std::memcpy(&last, from + n - 4, 4);
    std::memcpy(to, &first, 4);
    std::memcpy(to + n - 4, &last, 4);
    return ZeroBytes(first | std::uint64_t{last} << 32) != 0;
  }
  bool nul = false;
  for (std::size_t k = 0; k < n; ++k) {
    to[k] = static_cast<unsigned char>(from[k]);
    nul |= from[k] == '\0';
  }
  return nul;
}

// The key of one record into `key`: the fields' texts as the reader gives them (up to a NUL),
// joined directly and NUL-padded, so that every key holds nothing but NULs after its first NUL.
// The part that runs past the end of the record, or null.
const KeyPart* MakeKey(const std::vector<KeyPart>& parts, std::string_view record,
                       std::vector<unsigned char>& key) {
  std::size_t at = 0;
  for (const KeyPart& part : parts) {
    if (part.offset > record.size() || part.length > record.size() - part.offset) return &part;
    const char* bytes = record.data() + part.offset;
    // A part without a NUL, the usual one, is its text whole; else the text ends at the NUL, and
    // what was copied after it is overwritten by the next part or the padding.
    at += CopyFindNul(key.data() + at, bytes, part.length)
              ? DbfText(std::string_view(bytes, part.length)).size()
              : part.length;
  }
  std::fill(key.begin() + static_cast<std::ptrdiff_t>(at), key.end(), 0);
  return nullptr;
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos) path = path.substr(0, dot);
  return std::string(path);
}

ntx::PageBytes MakeHeader(const ntx::PageGeometry& g, std::string_view expression,
                          std::uint32_t root) {
  ntx::PageBytes h{};
  unsigned char* p = h.data();
  ntx::PutU16(p + ntx::kSignatureOffset, ntx::kSignature);
  ntx::PutU16(p + ntx::kVersionOffset, ntx::kIndexingVersion);
  ntx::PutU32(p + ntx::kRootOffset, root);
  ntx::PutU32(p + ntx::kFreePageOffset, 0);
  ntx::PutU16(p + ntx::kItemSizeOffset, static_cast<std::uint16_t>(g.item_size));
  ntx::PutU16(p + ntx::kKeySizeOffset, static_cast<std::uint16_t>(g.key_size));
  ntx::PutU16(p + ntx::kKeyDecimalsOffset, 0);
  ntx::PutU16(p + ntx::kMaxItemsOffset, static_cast<std::uint16_t>(g.max_items));
  ntx::PutU16(p + ntx::kHalfPageOffset, static_cast<std::uint16_t>(g.max_items / 2));
  // The text keeps its terminating NUL inside the 256 bytes.
  const std::size_t n = std::min(expression.size(), ntx::kExpressionSize - 1);
  std::memcpy(p + ntx::kExpressionOffset, expression.data(), n);
  // Unique and descending flags, the FOR condition and the order name stay zero.
  return h;
}

}  // namespace

struct KeyCollection::Impl {
  Impl(platform::ExclusiveFile file, std::vector<KeyPart> p)
      : scratch(std::move(file)), parts(std::move(p)), key(KeySizeOf(parts)) {
    runs = std::make_unique<ntx::SortedRuns>(scratch, 0, key.size(), kSortBudget);
  }
  platform::ExclusiveFile scratch;
  std::vector<KeyPart> parts;
  std::vector<unsigned char> key;
  std::unique_ptr<ntx::SortedRuns> runs;  // writes into `scratch`
};

struct KeyIndex::Impl {
  Impl(DbfTable& t, std::string n) : table(t), name(std::move(n)), cache(kInnerPages, kLeafSlots) {}

  // False when the file cannot be written; throws every other failure. Takes the keys from
  // `collected` when it fits, otherwise reads the table.
  bool Build(platform::ExclusiveFile& file, KeyCollection* collected, KeyProbe* probe);
  void NoteVisibility(std::uint32_t recno, std::string_view record);
  bool Visible(std::uint32_t recno) const;
  const ntx::PageBytes& LoadPage(std::uint32_t offset);
  bool Search(std::uint32_t offset, const unsigned char* text, std::size_t n, int depth,
              std::uint32_t* found);
  bool Find(std::string_view value, std::uint32_t* found);
  bool AnswerProbe(KeyProbe& probe);
  void JoinInOrder(std::uint32_t offset, int depth, ProbeJoin& join, PageReader& reader);
  [[noreturn]] void ThrowDamaged() const { ThrowIndexUnreadable(file_name); }

  DbfTable& table;
  std::string name;
  std::string expression;
  std::string file_name;
  std::optional<platform::ExclusiveFile> file;
  ntx::PageGeometry geometry;
  std::uint32_t root = 0;
  std::uint64_t tree_start = 0;  // pages before it hold the header and the sort's runs
  std::uint64_t file_size = 0;
  std::uint64_t key_count = 0;
  ntx::PageCache cache;
  // Which records the table shows, noted while the build reads them all (the table is held
  // exclusively, so they cannot change); records past the bits are asked of the table.
  std::vector<std::uint64_t> visible_bits;
  std::uint64_t noted_records = 0;
  bool all_visible = false;  // built from a walk's keys: every key is of a shown record
  bool keep_pages = true;    // a build without a probe keeps its pages for searches
  std::vector<unsigned char> search_text;
};

void KeyIndex::Impl::NoteVisibility(std::uint32_t recno, std::string_view record) {
  if (recno > kMaxVisibilityBits) return;
  const std::uint64_t i = recno - 1;
  if (i / 64 >= visible_bits.size()) visible_bits.resize(static_cast<std::size_t>(i / 64 + 1));
  const bool visible = !table.set_deleted() || record.empty() || record[0] != dbf::kDeletedFlag;
  if (visible) visible_bits[static_cast<std::size_t>(i / 64)] |= std::uint64_t{1} << (i % 64);
  noted_records = std::max<std::uint64_t>(noted_records, recno);
}

bool KeyIndex::Impl::Visible(std::uint32_t recno) const {
  if (recno == 0) return false;
  if (all_visible) return true;
  if (recno > noted_records) return table.IsRecordVisible(recno);
  const std::uint64_t i = recno - 1;
  return (visible_bits[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1u;
}

bool KeyIndex::Impl::Build(platform::ExclusiveFile& out, KeyCollection* collected,
                           KeyProbe* probe) {
  const std::vector<KeyPart> parts = ResolveExpression(table, expression);
  const std::size_t key_size = KeySizeOf(parts);
  if (key_size > kMaxKeySize) ThrowIndexCreateError(name);
  const ntx::PageGeometry g = ntx::PageGeometry::ForKeySize(key_size);

  std::optional<ntx::SortedRuns> own;
  ntx::SortedRuns* runs = nullptr;
  std::uint64_t start = ntx::kPageSize;  // the tree right after the header
  all_visible = false;
  if (collected != nullptr && collected->complete() && SameParts(collected->impl_->parts, parts)) {
    // The runs are in the walk's scratch file; every key it gathered is of a shown record.
    runs = collected->impl_->runs.get();
    all_visible = true;
  } else {
    // Runs go right after the header; the tree follows them on the next page boundary.
    runs = &own.emplace(out, ntx::kPageSize, key_size, kSortBudget);
    std::vector<unsigned char> key(key_size);
    bool written = true;
    table.ScanAll([&](std::uint32_t recno, std::string_view record) {
      if (!written) return;
      if (const KeyPart* cut = MakeKey(parts, record, key)) {
        ThrowFieldPastRecordEnd(cut->name, table.FileName());
      }
      written = own->Add(key.data(), recno);
      NoteVisibility(recno, record);
    });
    if (!written || !own->Finish()) return false;
    start = (own->area_end() + ntx::kPageSize - 1) / ntx::kPageSize * ntx::kPageSize;
  }

  runs->StartMerge(kMergeReadBudget);
  std::optional<ProbeJoin> join;
  if (probe != nullptr && probe->Texts().key_size() == key_size + ntx::kProbeLengthSize) {
    join.emplace(*probe, key_size, [this](std::uint32_t recno) { return Visible(recno); });
  }
  TreeWriter writer(out, start, g, *runs, join || !keep_pages ? nullptr : &cache,
                    join ? &*join : nullptr);
  cache.Reset(start, writer.Plan(runs->count()));
  std::uint32_t root_offset = 0;
  if (!writer.Write(&root_offset) || runs->failed()) return false;
  if (join) join->Finish();
  const ntx::PageBytes header = MakeHeader(g, expression, root_offset);
  if (!out.WriteAt(0, header.data(), header.size())) return false;

  geometry = g;
  root = root_offset;
  tree_start = start;
  key_count = runs->count();
  file_size = out.Size();
  return true;
}

std::unique_ptr<KeyCollection> KeyCollection::Start(const DbfTable& table,
                                                    std::string_view expression,
                                                    platform::ExclusiveFile scratch) {
  std::vector<KeyPart> parts;
  try {
    parts = ResolveExpression(table, expression);
  } catch (const std::exception&) {
    return nullptr;  // the build meets the same error and reports it
  }
  if (KeySizeOf(parts) > kMaxKeySize) return nullptr;
  return std::unique_ptr<KeyCollection>(
      new KeyCollection(std::make_unique<Impl>(std::move(scratch), std::move(parts))));
}

KeyCollection::KeyCollection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
KeyCollection::~KeyCollection() = default;

void KeyCollection::Add(std::uint32_t recno, std::string_view record) {
  if (broken_) return;
  Impl& c = *impl_;
  broken_ = MakeKey(c.parts, record, c.key) != nullptr || !c.runs->Add(c.key.data(), recno);
}

std::size_t KeyCollection::key_size() const { return impl_->key.size(); }

void KeyCollection::Finish() {
  if (!broken_ && !complete_) complete_ = impl_->runs->Finish();
  if (!complete_) broken_ = true;
}

const ntx::PageBytes& KeyIndex::Impl::LoadPage(std::uint32_t offset) {
  if (offset < tree_start || offset % ntx::kPageSize != 0 ||
      offset + std::uint64_t{ntx::kPageSize} > file_size) {
    ThrowDamaged();
  }
  if (const ntx::PageBytes* hit = cache.Find(offset)) return *hit;
  // A page read back is checked once, before the cache holds it; the cache holds only pages
  // that are whole.
  ntx::PageBytes& slot = cache.SlotFor(offset);
  ntx::PageView check;
  if (file->ReadAt(offset, slot.data(), slot.size()) != slot.size() ||
      !check.Parse(slot.data(), geometry)) {
    ThrowDamaged();
  }
  cache.Commit(offset);
  return slot;
}

// Within a page: pass the items whose key sorts before the text; at the first item whose key is
// not smaller, its child comes first (equal keys may sit there), then the item itself if it
// matches and its record is visible, and so on through a run of equal keys whose records are
// hidden; the first greater key ends the page. Past the last item the right-most child follows.
bool KeyIndex::Impl::Search(std::uint32_t offset, const unsigned char* text, std::size_t n,
                            int depth, std::uint32_t* found) {
  if (depth > kMaxDepth) ThrowDamaged();
  // The page stays where the cache keeps it; after a child's search it is looked up again, as
  // that search may have replaced it.
  const ntx::PageBytes* page = &LoadPage(offset);
  ntx::PrefetchPage(page->data());
  ntx::PageView view;
  view.Attach(page->data());
  // The items a page passes over are those whose key sorts before the text; the keys of a page
  // ascend, so the first item not passed is found by halving.
  std::size_t lo = 0;
  std::size_t hi = view.count();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (ntx::CompareKeys(text, view.key(mid), n) > 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  for (std::size_t i = lo; i < view.count(); ++i) {
    const int c = ntx::CompareKeys(text, view.key(i), n);
    const std::uint32_t child = view.child(i);
    if (child != 0) {
      if (Search(child, text, n, depth + 1, found)) return true;
      page = &LoadPage(offset);
      view.Attach(page->data());  // the same bytes as before
    }
    if (c < 0) return false;
    const std::uint32_t recno = view.recno(i);
    if (Visible(recno)) {
      *found = recno;
      return true;
    }
  }
  const std::uint32_t right = view.child(view.count());
  return right != 0 && Search(right, text, n, depth + 1, found);
}

bool KeyIndex::Impl::Find(std::string_view value, std::uint32_t* found) {
  if (!file) return false;
  // The keys hold only NULs after their first NUL; the search text is brought to the same form,
  // so a plain byte comparison stops where a NUL on both sides would.
  const std::size_t n = std::min(value.size(), geometry.key_size);
  search_text.assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n));
  auto nul = std::find(search_text.begin(), search_text.end(), 0);
  std::fill(nul, search_text.end(), 0);
  return Search(root, search_text.data(), n, 0, found);
}

bool KeyIndex::Impl::AnswerProbe(KeyProbe& probe) {
  if (!file || probe.Texts().key_size() != geometry.key_size + ntx::kProbeLengthSize) return false;
  // The index is finished and read back here alone: the texts' merge runs beside the reading.
  ProbeJoin join(
      probe, geometry.key_size, [this](std::uint32_t recno) { return Visible(recno); },
      /*merge_ahead=*/true);
  PageReader reader(*file, geometry, tree_start, file_size);
  JoinInOrder(root, 0, join, reader);
  join.Finish();
  return true;
}

// In order: each item's child subtree, then the item; the right-most child last.
void KeyIndex::Impl::JoinInOrder(std::uint32_t offset, int depth, ProbeJoin& join,
                                 PageReader& reader) {
  if (depth > kMaxDepth) ThrowDamaged();
  const unsigned char* page = reader.Page(offset);
  if (page == nullptr) ThrowDamaged();
  ntx::PageView view;
  view.Attach(page);
  // A page with children is kept apart, as reading them moves the reader's block.
  ntx::PageBytes kept;
  bool inner = false;
  for (std::size_t i = 0; i <= view.count() && !inner; ++i) inner = view.child(i) != 0;
  if (inner) {
    std::memcpy(kept.data(), page, kept.size());
    view.Attach(kept.data());
  }
  for (std::size_t i = 0; i < view.count() && !join.done(); ++i) {
    if (const std::uint32_t child = view.child(i)) JoinInOrder(child, depth + 1, join, reader);
    // Most keys sort before the next text and answer nothing.
    if (join.Answers(view.key(i))) join.Take(view.key(i), view.recno(i));
  }
  const std::uint32_t right = view.child(view.count());
  if (right != 0 && !join.done()) JoinInOrder(right, depth + 1, join, reader);
}

void KeyProbe::MakeEntry(std::string_view text, std::size_t key_size, unsigned char* entry) {
  // As the search brings its text to the keys' form: cut, then nothing but NULs after a NUL.
  const std::size_t n = std::min(text.size(), key_size);
  std::fill(entry, entry + key_size, 0);
  if (n > 0) std::memcpy(entry, text.data(), n);
  std::fill(std::find(entry, entry + n, 0), entry + key_size, 0);
  ntx::PutProbeTextLength(entry, key_size, n);
}

KeyIndex::KeyIndex(DbfTable& table, std::string name)
    : impl_(std::make_unique<Impl>(table, std::move(name))) {}

KeyIndex::~KeyIndex() = default;

void KeyIndex::SetKeyExpression(std::string expression) {
  impl_->expression = std::move(expression);
}

void KeyIndex::SetFileName(std::string path) {
  impl_->name = BaseName(path);
  impl_->file_name = std::move(path);
}

const std::string& KeyIndex::name() const { return impl_->name; }

void KeyIndex::Create() {
  Close();
  if (!impl_->table.IsOpen()) ThrowIndexOnClosedTable();
  std::string reason;
  std::optional<platform::ExclusiveFile> file =
      platform::ExclusiveFile::CreateFresh(impl_->file_name, &reason);
  if (!file) ThrowIndexCreateError(impl_->name, reason);
  Create(std::move(*file));
}

void KeyIndex::Create(platform::ExclusiveFile file) {
  std::string reason;
  if (!TryCreate(std::move(file), &reason)) ThrowIndexCreateError(impl_->name, reason);
}

bool KeyIndex::TryCreate(platform::ExclusiveFile file, std::string* reason) {
  return TryCreate(std::move(file), reason, nullptr);
}

bool KeyIndex::TryCreate(platform::ExclusiveFile file, std::string* reason,
                         KeyCollection* collected, KeyProbe* probe) {
  Close();
  if (!impl_->table.IsOpen()) ThrowIndexOnClosedTable();
  if (!impl_->Build(file, collected, probe)) {  // on a throw the file closes with this frame
    *reason = file.ErrorText();
    return false;
  }
  impl_->file = std::move(file);
  return true;
}

bool KeyIndex::FindKey(std::string_view value) {
  std::uint32_t recno = 0;
  if (!impl_->Find(value, &recno)) return false;
  impl_->table.GoTo(recno);
  return true;
}

bool KeyIndex::HasKey(std::string_view value) {
  std::uint32_t recno = 0;
  return impl_->Find(value, &recno);
}

void KeyIndex::Close() {
  impl_->file.reset();
  impl_->cache.Clear();
  impl_->root = 0;
  impl_->tree_start = 0;
  impl_->file_size = 0;
  impl_->key_count = 0;
  std::vector<std::uint64_t>().swap(impl_->visible_bits);
  impl_->noted_records = 0;
  impl_->all_visible = false;
}

void KeyIndex::SetKeepPages(bool keep) { impl_->keep_pages = keep; }

bool KeyIndex::AnswerProbe(KeyProbe& probe) { return impl_->AnswerProbe(probe); }

void KeyIndex::SetCacheBudget(std::size_t inner_pages, std::size_t leaf_slots) {
  impl_->cache = ntx::PageCache(inner_pages, leaf_slots);
}

std::size_t KeyIndex::KeySize() const { return impl_->geometry.key_size; }
std::uint64_t KeyIndex::KeyCount() const { return impl_->key_count; }

}  // namespace tables
