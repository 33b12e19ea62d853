// What lets the scan run fast: each header path looked at and read once,
// each name resolved once, and reader threads working ahead of the scan.
//
// Once a header has been read, reader threads follow its directives in
// order, resolving names and reading the headers they lead to, which queues
// those headers' directives in turn. The scan then mostly finds a header
// read by the time it reaches it; where it does not, it reads the header
// itself or waits for the reader already at it. Readers apply the run's
// cuts as the scan does: they never read a header the scan would not open.
// Reading ahead changes nothing the scan sees: files are taken not to
// change while a run reads them, so contents and resolved names are the
// same whoever works them out.
#ifndef CLUDEMAP_SCAN_SCAN_CACHE_H_
#define CLUDEMAP_SCAN_SCAN_CACHE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/claim_filter.h"
#include "scan/cuts.h"
#include "scan/header_content.h"
#include "scan/header_file.h"
#include "scan/label.h"
#include "scan/once_map.h"
#include "scan/search_list.h"
#include "scan/worker_pool.h"
#include "util/string_map.h"

// No search-list entry: a header beside its includer, or a start header.
inline constexpr int kNoEntry = -1;

// What decides which directives a header yields and where they lead: the
// file, and the search-list entry it was found in, after which its next
// directives search on. Every cache of the scan is keyed by it.
struct HeaderKey {
  const HeaderFile* file = nullptr;  // null: found nowhere
  int entry = kNoEntry;
};

struct ScannedHeader;

// What the scan remembers of the nodes one directive has made, so that its
// later nodes skip the registry and mostly the expanded pairs too.
struct ChildMemo {
  // The id registered for the child's label, once there is one. A label
  // keeps its id for the rest of the run.
  std::int32_t id = 0;
  // A parent id whose pair with `id` is known to be expanded, or 0. A
  // header is mostly expanded again under the same label and so meets the
  // same pairs again.
  std::int32_t expandedUnder = 0;
  // The child's label, valid when `id` is.
  Label label;
};

// Where one directive of a header leads. A header key yields the same
// child paths, labels and cuts every time it is expanded, so this is worked
// out when the directive is first followed and reused by every later
// expansion.
struct DirectiveMemo {
  bool resolved = false;
  ScannedHeader* to = nullptr;  // null: an angle-bracket name found nowhere
  Cut cut = Cut::kNone;
  ChildMemo child;
};

// One header key as the scan knows it: its content once read, and one
// memo per directive.
struct ScannedHeader {
  HeaderKey key;
  const HeaderContent* content = nullptr;  // null until read
  std::vector<DirectiveMemo> directives;
  // The next key of the same file, found in another entry.
  ScannedHeader* sameFile = nullptr;
};

class ScanCache;

// A directive that a reader thread follows ahead of the scan, for the cache
// whose search list resolves it, `depth` includes below a start header.
struct ReadAheadTask {
  ScanCache* cache;
  const HeaderFile* includer;
  const HeaderContent* content;
  std::size_t directive;
  int depth;
};

// The header paths of a run, each looked at once, and their contents, each
// read once by the first thread that needs it, and the reader threads;
// shared by every cache of a run, so that a file is read once however many
// search lists lead to it.
class ContentStore {
 public:
  // With `fileFacts`, headers are read with their facts (readHeaderContent).
  // With `readWhenFound`, a search reads what it finds at once, which
  // saves looking at a file before reading it where every file found is
  // opened anyway (a run without cuts). With `lexing`, headers are read for
  // the compiler's view, as that dialect lexes them, with their canonical
  // paths.
  ContentStore(unsigned readerThreads, bool fileFacts, bool readWhenFound,
               std::optional<Dialect> lexing = std::nullopt);
  ContentStore(const ContentStore&) = delete;
  ContentStore& operator=(const ContentStore&) = delete;
  ~ContentStore();

  // The header path `path`, looked at here unless another thread has;
  // `*readHere` tells whether this call also read its content.
  const HeaderFile& find(const std::string& path, bool* readHere);
  // The content of `file`, read here unless another thread has read it or
  // is reading it; `*readHere` tells whether this call did.
  const HeaderContent& read(const HeaderFile& file, bool* readHere);

  // How many of the paths read held a readable file: each path counts once,
  // whichever cache asked for it.
  std::size_t filesRead() const { return filesRead_.load(); }

  void push(const std::vector<ReadAheadTask>& tasks) { readers_.push(tasks); }
  // Drops the reading ahead not yet started, of every cache, and waits for
  // what is running.
  void drain() { readers_.drain(); }

 private:
  HeaderContent readContent(const std::string& path);

  const bool fileFacts_;
  const bool readWhenFound_;
  const std::optional<Dialect> lexing_;
  OnceMap<HeaderFile> files_;
  // By path, for the files not read when found.
  OnceMap<HeaderContent> contents_;
  CanonicalPaths canonicalPaths_;
  // How many paths have been looked at, which numbers the next one.
  std::atomic<std::size_t> fileCount_{0};
  std::atomic<std::size_t> filesRead_{0};
  // Last, so that its threads stop before the rest goes.
  WorkerPool<ReadAheadTask> readers_;
};

// The scan's caches for one search list: the headers as the scan knows
// them and the names resolved through the list. The contents come from the
// run's store, which every cache of the run shares. Only the scan's thread
// calls the public functions.
class ScanCache {
 public:
  // `cuts` and `store` must outlive the cache.
  ScanCache(SearchList searchList, const Cuts& cuts, ContentStore& store);
  ScanCache(const ScanCache&) = delete;
  ScanCache& operator=(const ScanCache&) = delete;
  ~ScanCache();

  const SearchList& searchList() const { return searchList_; }

  // The header at `path` as given, as a start header; nothing is read.
  ScannedHeader& startHeader(const std::string& path);

  // The content of the found header `header`, read now unless a reader has,
  // `depth` includes below a start header. Nothing below it is read ahead
  // where it is a `leaf`.
  const HeaderContent& read(ScannedHeader& header, int depth, bool leaf);

  // Works out where directive `index` of the read header `includer` leads
  // and what the cuts make of it, into its memo.
  DirectiveMemo& resolve(ScannedHeader& includer, std::size_t index);

  // Whether `key` was found through a system entry of the list.
  bool isSystem(const HeaderKey& key) const;

  // Where an include of `name` of `kind` leads from `includer` (null: from
  // the current directory, as for the compiler's -include), found in
  // `includerEntry`; null for an angle-bracket name found nowhere.
  ScannedHeader* lead(const HeaderFile* includer, std::string_view name, IncludeKind kind,
                      int includerEntry);
  // What the cuts make of an include of `name` that leads to `key`.
  Cut cutOf(std::string_view name, const HeaderKey& key) const;

  // Drops the reading ahead not yet started and waits for what is running,
  // so that the threads stay idle until the next scan.
  void stopReadingAhead();

 private:
  friend class ContentStore;  // runs the read-ahead tasks

  ScannedHeader& headerOf(const HeaderKey& key);
  const HeaderFile& find(const std::string& path);
  void readAhead(const HeaderFile& file, const HeaderContent& content, int depth);
  void runReadAheadTask(const ReadAheadTask& task);
  bool claimedByReader(const HeaderContent& includer, const HeaderDirective& directive);
  HeaderKey childHeader(const HeaderFile& includer, std::string_view name, IncludeKind kind,
                        int includerEntry);
  HeaderKey resolveQuotedName(const HeaderFile& includer, std::string_view name);
  HeaderKey searchIncludeDirs(std::string_view name, std::size_t from, bool quotedName);
  const std::vector<bool>* directoriesThatMayHold(std::string_view name);
  OnceMap<HeaderKey>& searchesFrom(std::size_t from, bool quotedName);

  const SearchList searchList_;
  const Cuts& cuts_;
  ContentStore& store_;

  // Used by the scan's thread alone.
  // One per key, made in place and never moved.
  std::deque<ScannedHeader> headers_;
  // By file number, the first key of that file; null for a file the scan
  // has not reached.
  std::vector<ScannedHeader*> headerByNumber_;
  // Angle-bracket name to where it led; the scan's own copy, read without
  // taking the shared map's lock.
  StringMap<ScannedHeader*> angleNames_;

  // Shared with the reader threads.
  // Name to the first header the search list holds under it, one map per
  // place a search starts (searchesFrom), each made on first use.
  struct Searches {
    std::once_flag made;
    std::unique_ptr<OnceMap<HeaderKey>> names;
  };
  std::unique_ptr<Searches[]> searches_;
  // Directory component to which entries of the search list hold a
  // subdirectory of that name, one flag per entry.
  OnceMap<std::vector<bool>> componentHolders_;
  // Angle-bracket names a reader has set out to follow.
  ClaimFilter followedNames_;
};

#endif  // CLUDEMAP_SCAN_SCAN_CACHE_H_
