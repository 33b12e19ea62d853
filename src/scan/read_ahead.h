// What lets the scan run fast: each header read and parsed once, each name
// resolved once, and reader threads working ahead of the scan.
//
// Once a header has been read, reader threads follow its directives in
// order, resolving names and reading the headers they lead to, which queues
// those headers' directives in turn. The scan then mostly finds a header
// read by the time it reaches it; where it does not, it reads the header
// itself or waits for the reader already at it. Reading ahead may read
// headers the scan never expands, but it changes nothing the scan sees:
// files are taken not to change while a run reads them, so contents and
// resolved names are the same whoever works them out.
#ifndef CLUDEMAP_SCAN_READ_AHEAD_H_
#define CLUDEMAP_SCAN_READ_AHEAD_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "scan/claim_filter.h"
#include "scan/header_content.h"
#include "scan/header_file.h"
#include "scan/label.h"
#include "scan/once_map.h"
#include "scan/search_list.h"
#include "scan/worker_pool.h"
#include "util/string_map.h"

// No search-list entry: a header beside its includer, or a start header.
inline constexpr int kNoEntry = -1;

// A header a name leads to, and the search-list entry it was found in.
struct FoundHeader {
  const HeaderContent* content = nullptr;  // null: found nowhere
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

// Where a directive leads: the child's header, null for an angle-bracket
// name found nowhere, and the search-list entry it was found in.
struct Destination {
  ScannedHeader* header = nullptr;
  int entry = kNoEntry;
};

// Where one directive of a header leads. A header path yields the same
// child paths and labels every time it is expanded, so this is worked out
// when the directive is first followed and reused by every later expansion.
struct DirectiveMemo {
  bool resolved = false;
  // For a next directive, where it leads depends on the entry its includer
  // was found in: the one it was resolved for.
  int resolvedFor = kNoEntry;
  Destination to;
  // What the run's cuts make of the directive wherever it is followed,
  // decided by the scan once the directive is resolved.
  enum class Cut : std::uint8_t { kNone, kLeaf, kHidden } cut = Cut::kNone;
  ChildMemo child;
};

// Whether `memo`, of a directive of `kind`, holds where the directive leads
// from a header found in `includerEntry`.
inline bool holdsDestination(const DirectiveMemo& memo, IncludeDirective::Kind kind,
                             int includerEntry) {
  return memo.resolved &&
         (kind != IncludeDirective::Kind::kNext || memo.resolvedFor == includerEntry);
}

// Where a directive led, and its cut there.
struct DirectiveLead {
  std::size_t directive;
  Destination to;
  DirectiveMemo::Cut cut;
};

// One header path as the scan knows it: its content, and one memo per
// directive.
struct ScannedHeader {
  const HeaderContent* content = nullptr;
  std::vector<DirectiveMemo> directives;
  // With file facts: where next directives that were resolved again for
  // another entry led the first time.
  std::vector<DirectiveLead> firstLeads;
  // Its directives have been followed, under some node.
  bool expanded = false;
  // With file facts: some node stands for it; one found it through a
  // system entry.
  bool reached = false;
  bool reachedAsSystem = false;
};

class ScanCache;

// A directive that a reader thread follows ahead of the scan, for the cache
// whose search list resolves it.
struct ReadAheadTask {
  ScanCache* cache;
  const HeaderContent* includer;
  std::size_t directive;
};

// The contents of the headers, each path read once per run by the first
// thread that needs it, and the reader threads; shared by every cache of a
// run, so that a file is read once however many search lists lead to it.
class ContentStore {
 public:
  // With `fileFacts`, headers are read with their facts (readHeaderContent).
  ContentStore(unsigned readerThreads, bool fileFacts);
  ContentStore(const ContentStore&) = delete;
  ContentStore& operator=(const ContentStore&) = delete;
  ~ContentStore();

  // The content of the header at `path`, read here unless another thread
  // has read it or is reading it; `*readHere` tells whether this call did.
  const HeaderContent& get(const std::string& path, bool* readHere);

  // How many of the paths read held a readable file: each path counts once,
  // whichever cache asked for it.
  std::size_t filesRead() const { return filesRead_.load(); }

  void push(const std::vector<ReadAheadTask>& tasks) { readers_.push(tasks); }
  // Drops the reading ahead not yet started, of every cache, and waits for
  // what is running.
  void drain() { readers_.drain(); }

 private:
  const bool fileFacts_;
  // Header path to the header's content.
  OnceMap<HeaderContent> contents_;
  CanonicalPaths canonicalPaths_;
  // How many contents have been read, which numbers the next one.
  std::atomic<std::size_t> contentCount_{0};
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
  // `store` must outlive the cache.
  ScanCache(SearchList searchList, ContentStore& store);
  ScanCache(const ScanCache&) = delete;
  ScanCache& operator=(const ScanCache&) = delete;
  ~ScanCache();

  const SearchList& searchList() const { return searchList_; }

  // The header at `path` as given, read now unless a reader has.
  ScannedHeader& headerAt(const std::string& path);

  // Every header the scan has reached, in the order it reached them.
  const std::deque<ScannedHeader>& headers() const { return headers_; }

  // Works out where directive `index` of `includer` leads, into its memo.
  // `includerEntry` is the entry `includer` was found in, which only a
  // search for the next header of a name depends on.
  DirectiveMemo& resolve(ScannedHeader& includer, std::size_t index, int includerEntry);

  // Drops the reading ahead not yet started and waits for what is running,
  // so that the threads stay idle until the next scan.
  void stopReadingAhead();

 private:
  friend class ContentStore;  // runs the read-ahead tasks

  ScannedHeader& headerOf(const HeaderContent& content);
  const HeaderContent& readOnce(const std::string& path);
  void readAhead(const HeaderContent& content);
  void runReadAheadTask(const ReadAheadTask& task);
  bool claimedByReader(const HeaderContent& includer, const DirectiveText& directive);
  FoundHeader childHeader(const HeaderContent& includer, const DirectiveText& directive,
                          int includerEntry);
  FoundHeader resolveQuotedName(const HeaderContent& includer, std::string_view name);
  FoundHeader searchIncludeDirs(std::string_view name, std::size_t from, bool quotedName);
  const std::vector<bool>* directoriesThatMayHold(std::string_view name);
  OnceMap<FoundHeader>& searchesFrom(std::size_t from, bool quotedName);

  const SearchList searchList_;
  ContentStore& store_;

  // Used by the scan's thread alone.
  // One per content, which stands for its path; made in place and never
  // moved.
  std::deque<ScannedHeader> headers_;
  // By content number; null for a content the scan has not reached.
  std::vector<ScannedHeader*> headerByNumber_;
  // Angle-bracket name to where it led; the scan's own copy, read without
  // taking the shared map's lock.
  StringMap<Destination> angleNames_;

  // Shared with the reader threads.
  // Name to the first header the search list holds under it, one map per
  // place a search starts (searchesFrom), each made on first use.
  struct Searches {
    std::once_flag made;
    std::unique_ptr<OnceMap<FoundHeader>> names;
  };
  std::unique_ptr<Searches[]> searches_;
  // Directory component to which entries of the search list hold a
  // subdirectory of that name, one flag per entry.
  OnceMap<std::vector<bool>> componentHolders_;
  // Angle-bracket names a reader has set out to follow.
  ClaimFilter followedNames_;
};

#endif  // CLUDEMAP_SCAN_READ_AHEAD_H_
