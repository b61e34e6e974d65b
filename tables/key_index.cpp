#include "tables/key_index.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tables/dbf_table.h"
#include "tables/dbf_values.h"
#include "tables/ntx_format.h"
#include "tables/ntx_page.h"
#include "tables/ntx_runs.h"
#include "tables/table_error.h"

namespace tables {
namespace {

// Sort memory of one batch of the build.
constexpr std::size_t kSortBudget = 65536;
// Read buffers of all runs together while they are merged.
constexpr std::size_t kMergeReadBudget = 4 * 1024 * 1024;
// Longest key a page can hold at least two of with room to spare.
constexpr std::size_t kMaxKeySize = 256;
// Pages kept in memory for searches (1 MiB); the upper levels stay in it.
constexpr std::size_t kCachePages = 1024;
// Pages written with one write during the build.
constexpr std::size_t kWriteBatchPages = 64;
// A tree over 2^32 keys is at most 7 levels deep; a deeper walk means a damaged file.
constexpr int kMaxDepth = 16;

struct KeyPart {
  std::string name;
  std::size_t offset = 0;
  std::size_t length = 0;
};

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The fields the expression names, in order. A name the table lacks throws the table's
// field-not-found error.
std::vector<KeyPart> ResolveExpression(const DbfTable& table, std::string_view expression) {
  if (TrimBlanks(expression).empty()) ThrowNoIndexFields();
  std::vector<KeyPart> parts;
  while (true) {
    const std::size_t plus = expression.find('+');
    const DbfField& field = table.FieldByName(TrimBlanks(expression.substr(0, plus)));
    parts.push_back({field.name, field.offset, field.length});
    if (plus == std::string_view::npos) break;
    expression.remove_prefix(plus + 1);
  }
  return parts;
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

// Most recently used pages of the index file.
class PageCache {
 public:
  explicit PageCache(std::size_t capacity) : capacity_(capacity) {}

  const ntx::PageBytes* Find(std::uint32_t offset) {
    auto it = map_.find(offset);
    if (it == map_.end()) return nullptr;
    lru_.splice(lru_.begin(), lru_, it->second);
    return &it->second->bytes;
  }
  // A slot for a page that Find() did not have.
  ntx::PageBytes& Insert(std::uint32_t offset) {
    if (map_.size() >= capacity_) {
      map_.erase(lru_.back().offset);
      lru_.splice(lru_.begin(), lru_, std::prev(lru_.end()));
    } else {
      lru_.emplace_front();
    }
    lru_.front().offset = offset;
    map_[offset] = lru_.begin();
    return lru_.front().bytes;
  }
  void Forget(std::uint32_t offset) {
    auto it = map_.find(offset);
    if (it == map_.end()) return;
    lru_.erase(it->second);
    map_.erase(it);
  }
  void Clear() {
    map_.clear();
    lru_.clear();
  }

 private:
  struct Entry {
    std::uint32_t offset = 0;
    ntx::PageBytes bytes{};
  };
  std::size_t capacity_;
  std::list<Entry> lru_;
  std::unordered_map<std::uint32_t, std::list<Entry>::iterator> map_;
};

// Writes the B-tree bottom up from the merged pairs. With the key count known in advance, every
// subtree gets an even share of the keys, so all leaves are on one level and no page is empty
// (but the root of an empty index). Pages are appended in the order they are finished, children
// before their parent, so a parent always knows its children's offsets.
class TreeWriter {
 public:
  TreeWriter(platform::ExclusiveFile& file, std::uint64_t start, const ntx::PageGeometry& g,
             ntx::SortedRuns& source)
      : file_(file), geometry_(g), source_(source), next_(start), pending_start_(start) {
    pending_.reserve(kWriteBatchPages * ntx::kPageSize);
  }

  // False when the file cannot be written, grows past 4 GiB or the pairs run short.
  bool Build(std::uint64_t count, std::uint32_t* root) {
    // capacity_[h - 1]: most keys a tree of h levels holds.
    const std::uint64_t m = geometry_.max_items;
    capacity_.assign(1, m);
    while (capacity_.back() < count) capacity_.push_back(m + (m + 1) * capacity_.back());
    return Node(count, static_cast<int>(capacity_.size()), root) && Flush();
  }

 private:
  bool Node(std::uint64_t count, int height, std::uint32_t* offset) {
    ntx::PageBuilder page(geometry_);
    if (height == 1) {
      for (std::uint64_t i = 0; i < count; ++i) {
        if (!Take(page, 0)) return false;
      }
      return Append(page.bytes(), offset);
    }
    // As few children as the lower level's capacity allows, at least two, keys shared evenly.
    const std::uint64_t below = capacity_[static_cast<std::size_t>(height) - 2];
    std::uint64_t children = std::max<std::uint64_t>(2, (count + 1 + below) / (below + 1));
    children = std::min<std::uint64_t>({children, geometry_.max_items + 1, count + 1});
    const std::uint64_t share = (count - (children - 1)) / children;
    const std::uint64_t extra = (count - (children - 1)) % children;
    for (std::uint64_t j = 0; j < children; ++j) {
      std::uint32_t child = 0;
      if (!Node(share + (j < extra ? 1 : 0), height - 1, &child)) return false;
      if (j + 1 < children) {
        if (!Take(page, child)) return false;
      } else {
        page.SetRightChild(child);
      }
    }
    return Append(page.bytes(), offset);
  }

  bool Take(ntx::PageBuilder& page, std::uint32_t child) {
    const unsigned char* key = nullptr;
    std::uint32_t recno = 0;
    if (!source_.Next(&key, &recno)) return false;
    page.Add(child, recno, key);
    return true;
  }

  bool Append(const ntx::PageBytes& page, std::uint32_t* offset) {
    if (next_ + ntx::kPageSize > 0xFFFFFFFFu) return false;
    *offset = static_cast<std::uint32_t>(next_);
    pending_.insert(pending_.end(), page.begin(), page.end());
    next_ += ntx::kPageSize;
    return pending_.size() < kWriteBatchPages * ntx::kPageSize || Flush();
  }

  bool Flush() {
    if (!pending_.empty() && !file_.WriteAt(pending_start_, pending_.data(), pending_.size())) {
      return false;
    }
    pending_start_ += pending_.size();
    pending_.clear();
    return true;
  }

  platform::ExclusiveFile& file_;
  ntx::PageGeometry geometry_;
  ntx::SortedRuns& source_;
  std::vector<std::uint64_t> capacity_;
  std::uint64_t next_;
  std::uint64_t pending_start_;
  std::vector<unsigned char> pending_;
};

}  // namespace

struct KeyIndex::Impl {
  Impl(DbfTable& t, std::string n) : table(t), name(std::move(n)), cache(kCachePages) {}

  void Build(platform::ExclusiveFile& file);
  const ntx::PageBytes& LoadPage(std::uint32_t offset);
  bool Search(std::uint32_t offset, const unsigned char* text, std::size_t n, int depth);
  [[noreturn]] void ThrowDamaged() const {
    throw TableError("TMarlNTXIndex: index file \"" + file_name + "\" cannot be read back");
  }

  DbfTable& table;
  std::string name;
  std::string expression;
  std::string file_name;
  std::optional<platform::ExclusiveFile> file;
  ntx::PageGeometry geometry;
  std::uint32_t root = 0;
  std::uint64_t file_size = 0;
  std::uint64_t key_count = 0;
  PageCache cache;
};

void KeyIndex::Impl::Build(platform::ExclusiveFile& out) {
  const std::vector<KeyPart> parts = ResolveExpression(table, expression);
  std::size_t key_size = 0;
  for (const KeyPart& part : parts) key_size += part.length;
  if (key_size > kMaxKeySize) ThrowIndexCreateError(name);
  const ntx::PageGeometry g = ntx::PageGeometry::ForKeySize(key_size);

  // Runs go right after the header; the tree follows them on the next page boundary.
  ntx::SortedRuns runs(out, ntx::kPageSize, key_size, kSortBudget);
  std::vector<unsigned char> key(key_size);
  bool written = true;
  table.ScanAll([&](std::uint32_t recno, std::string_view record) {
    if (!written) return;
    std::size_t at = 0;
    for (const KeyPart& part : parts) {
      if (part.offset > record.size() || part.length > record.size() - part.offset) {
        ThrowFieldPastRecordEnd(part.name, table.FileName());
      }
      // The field's text as the reader gives it (up to a NUL), the parts joined directly; the
      // key is NUL-padded, which ends every comparison there.
      const std::string_view text = DbfText(record.substr(part.offset, part.length));
      if (!text.empty()) std::memcpy(key.data() + at, text.data(), text.size());
      at += text.size();
    }
    std::fill(key.begin() + static_cast<std::ptrdiff_t>(at), key.end(), 0);
    written = runs.Add(key.data(), recno);
  });
  if (!written || !runs.Finish()) ThrowIndexCreateError(name);

  runs.StartMerge(kMergeReadBudget);
  const std::uint64_t tree_start =
      (runs.area_end() + ntx::kPageSize - 1) / ntx::kPageSize * ntx::kPageSize;
  TreeWriter writer(out, tree_start, g, runs);
  std::uint32_t root_offset = 0;
  if (!writer.Build(runs.count(), &root_offset) || runs.failed()) ThrowIndexCreateError(name);
  const ntx::PageBytes header = MakeHeader(g, expression, root_offset);
  if (!out.WriteAt(0, header.data(), header.size())) ThrowIndexCreateError(name);

  geometry = g;
  root = root_offset;
  key_count = runs.count();
  file_size = out.Size();
}

const ntx::PageBytes& KeyIndex::Impl::LoadPage(std::uint32_t offset) {
  if (offset < ntx::kPageSize || offset % ntx::kPageSize != 0 ||
      offset + std::uint64_t{ntx::kPageSize} > file_size) {
    ThrowDamaged();
  }
  if (const ntx::PageBytes* hit = cache.Find(offset)) return *hit;
  ntx::PageBytes& slot = cache.Insert(offset);
  if (file->ReadAt(offset, slot.data(), slot.size()) != slot.size()) {
    cache.Forget(offset);
    ThrowDamaged();
  }
  return slot;
}

// Within a page: pass the items whose key sorts before the text; at the first item whose key is
// not smaller, its child comes first (equal keys may sit there), then the item itself if it
// matches and its record is visible, and so on through a run of equal keys whose records are
// hidden; the first greater key ends the page. Past the last item the right-most child follows.
bool KeyIndex::Impl::Search(std::uint32_t offset, const unsigned char* text, std::size_t n,
                            int depth) {
  if (depth > kMaxDepth) ThrowDamaged();
  // A copy: the walk below may push this page out of the cache.
  const ntx::PageBytes page = LoadPage(offset);
  ntx::PageView view;
  if (!view.Parse(page.data(), geometry)) ThrowDamaged();
  for (std::size_t i = 0; i < view.count(); ++i) {
    const int c = ntx::CompareKeys(text, view.key(i), n);
    if (c > 0) continue;
    const std::uint32_t child = view.child(i);
    if (child != 0 && Search(child, text, n, depth + 1)) return true;
    if (c < 0) return false;
    const std::uint32_t recno = view.recno(i);
    if (table.IsRecordVisible(recno)) {
      table.GoTo(recno);
      return true;
    }
  }
  const std::uint32_t right = view.child(view.count());
  return right != 0 && Search(right, text, n, depth + 1);
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
  std::optional<platform::ExclusiveFile> file =
      platform::ExclusiveFile::CreateReadWrite(impl_->file_name);
  if (!file) ThrowIndexCreateError(impl_->name);
  Create(std::move(*file));
}

void KeyIndex::Create(platform::ExclusiveFile file) {
  Close();
  if (!impl_->table.IsOpen()) ThrowIndexOnClosedTable();
  impl_->Build(file);  // on a throw the file closes with this frame
  impl_->file = std::move(file);
}

bool KeyIndex::FindKey(std::string_view value) {
  if (!impl_->file) return false;
  const std::size_t n = std::min(value.size(), impl_->geometry.key_size);
  return impl_->Search(impl_->root, reinterpret_cast<const unsigned char*>(value.data()), n, 0);
}

void KeyIndex::Close() {
  impl_->file.reset();
  impl_->cache.Clear();
  impl_->root = 0;
  impl_->file_size = 0;
  impl_->key_count = 0;
}

std::size_t KeyIndex::KeySize() const { return impl_->geometry.key_size; }
std::uint64_t KeyIndex::KeyCount() const { return impl_->key_count; }

}  // namespace tables
