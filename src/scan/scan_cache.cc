#include "scan/scan_cache.h"

#include <utility>

#include "scan/header_file.h"
#include "scan/path_spelling.h"

namespace {

std::uint64_t nameHash(const HeaderContent& includer, const HeaderDirective& directive) {
  return StringMap<char>::hashOf(includer.textOf(directive));
}

}  // namespace

ContentStore::ContentStore(unsigned readerThreads, bool fileFacts, bool readWhenFound,
                           std::optional<Dialect> lexing)
    : fileFacts_(fileFacts),
      readWhenFound_(readWhenFound),
      lexing_(lexing),
      readers_(readerThreads,
               [](const ReadAheadTask& task) { task.cache->runReadAheadTask(task); }) {}

ContentStore::~ContentStore() = default;

const HeaderFile& ContentStore::find(const std::string& path, bool* readHere) {
  *readHere = false;
  return files_.get(
      path,
      [&] {
        HeaderFile file;
        file.path = path;
        file.number = fileCount_++;
        if (readWhenFound_) {
          // Kept with the file: a second map of contents would cost every
          // path a second locked look-up.
          file.content = std::make_unique<const HeaderContent>(readContent(path));
          file.found = file.content->readable;
        } else {
          file.found = isReadableFile(path);
        }
        return file;
      },
      readWhenFound_ ? readHere : nullptr);
}

const HeaderContent& ContentStore::read(const HeaderFile& file, bool* readHere) {
  *readHere = false;
  if (file.content != nullptr) return *file.content;
  return contents_.get(file.path, [&] { return readContent(file.path); }, readHere);
}

HeaderContent ContentStore::readContent(const std::string& path) {
  HeaderContent read =
      lexing_ ? readLexedContent(path, *lexing_) : readHeaderContent(path, fileFacts_);
  if ((fileFacts_ || lexing_) && read.readable) read.canonicalPath = canonicalPaths_.of(path);
  if (read.readable) ++filesRead_;
  return read;
}

ScanCache::ScanCache(SearchList searchList, const Cuts& cuts, ContentStore& store)
    : searchList_(std::move(searchList)),
      cuts_(cuts),
      store_(store),
      // Angle-bracket searches may start at any entry, or past the last;
      // quoted ones get a map of their own.
      searches_(std::make_unique<Searches[]>(searchList_.size() + 2)) {}

ScanCache::~ScanCache() = default;

ScannedHeader& ScanCache::startHeader(const std::string& path) {
  return headerOf(HeaderKey{&find(path), kNoEntry});
}

const HeaderContent& ScanCache::read(ScannedHeader& header, int depth, bool leaf) {
  if (header.content != nullptr) return *header.content;
  bool readHere = false;
  const HeaderFile& file = *header.key.file;
  const HeaderContent& content = store_.read(file, &readHere);
  if (readHere && !leaf) readAhead(file, content, depth);
  header.content = &content;
  header.directives.resize(content.directives.size());
  return content;
}

DirectiveMemo& ScanCache::resolve(ScannedHeader& includer, std::size_t index) {
  DirectiveMemo& memo = includer.directives[index];
  memo.resolved = true;
  const HeaderContent& content = *includer.content;
  const HeaderDirective& directive = content.directives[index];
  const std::string_view name = content.textOf(directive);
  if (directive.kind == IncludeKind::kAngle) {
    // Names recur across headers; the scan keeps its own copy of where each
    // led, which it reads without taking the shared map's lock.
    const auto [entry, added] = angleNames_.tryEmplace(name);
    if (added) {
      const HeaderKey key = childHeader(*includer.key.file, name, directive.kind, kNoEntry);
      entry->second = key.file == nullptr ? nullptr : &headerOf(key);
    }
    memo.to = entry->second;
  } else {
    const HeaderKey key = childHeader(*includer.key.file, name, directive.kind, includer.key.entry);
    memo.to = key.file == nullptr ? nullptr : &headerOf(key);
  }
  if (cuts_.any()) memo.cut = cutOf(name, memo.to == nullptr ? HeaderKey{} : memo.to->key);
  return memo;
}

ScannedHeader* ScanCache::lead(const HeaderFile* includer, std::string_view name, IncludeKind kind,
                               int includerEntry) {
  static const HeaderFile kCurrentDirectory;
  const HeaderKey key =
      childHeader(includer != nullptr ? *includer : kCurrentDirectory, name, kind, includerEntry);
  return key.file == nullptr ? nullptr : &headerOf(key);
}

bool ScanCache::isSystem(const HeaderKey& key) const {
  return key.entry != kNoEntry && searchList_.entries()[static_cast<std::size_t>(key.entry)].kind ==
                                      SearchList::Kind::kSystem;
}

Cut ScanCache::cutOf(std::string_view name, const HeaderKey& key) const {
  const std::string* path = key.file != nullptr ? &key.file->path : nullptr;
  return ::cutOf(cuts_, name, path, isSystem(key));
}

void ScanCache::stopReadingAhead() { store_.drain(); }

ScannedHeader& ScanCache::headerOf(const HeaderKey& key) {
  const std::size_t number = key.file->number;
  if (number >= headerByNumber_.size()) headerByNumber_.resize(number + 1, nullptr);
  ScannedHeader** slot = &headerByNumber_[number];
  while (*slot != nullptr && (*slot)->key.entry != key.entry) slot = &(*slot)->sameFile;
  if (*slot == nullptr) {
    *slot = &headers_.emplace_back();
    (*slot)->key = key;
  }
  return **slot;
}

// The header path `path`; where looking at it also read it, its directives
// are read ahead (which happens only in runs without cuts).
const HeaderFile& ScanCache::find(const std::string& path) {
  bool readHere = false;
  const HeaderFile& file = store_.find(path, &readHere);
  if (readHere) readAhead(file, *file.content, 0);
  return file;
}

// The header a directive leads to. A next directive searches the entries
// after the one its includer was found in, or all of them when the
// includer was found in none.
HeaderKey ScanCache::childHeader(const HeaderFile& includer, std::string_view name,
                                 IncludeKind kind, int includerEntry) {
  switch (kind) {
    case IncludeKind::kQuoted:
      return resolveQuotedName(includer, name);
    case IncludeKind::kNext:
      return searchIncludeDirs(
          name, includerEntry == kNoEntry ? 0 : static_cast<std::size_t>(includerEntry) + 1, false);
    default:
      return searchIncludeDirs(name, 0, false);
  }
}

// A quoted name is looked up next to its includer first. Only where no
// readable file is there is the search list searched, and where it holds
// none either the includer's path stands, so that the missing-file warning
// names it.
HeaderKey ScanCache::resolveQuotedName(const HeaderFile& includer, std::string_view name) {
  const HeaderFile& beside = find(pathBeside(includer.path, name));
  if (beside.found || searchList_.empty()) return HeaderKey{&beside, kNoEntry};
  const HeaderKey found = searchIncludeDirs(name, 0, true);
  return found.file != nullptr ? found : HeaderKey{&beside, kNoEntry};
}

// The map of names searched from entry `from` on, for one kind of name.
// Quoted and angle-bracket names share one where every entry serves both.
OnceMap<HeaderKey>& ScanCache::searchesFrom(std::size_t from, bool quotedName) {
  const bool ownList = quotedName && searchList_.hasQuotedOnly();
  Searches& searches = searches_[ownList ? searchList_.size() + 1 : from];
  std::call_once(searches.made,
                 [&searches] { searches.names = std::make_unique<OnceMap<HeaderKey>>(); });
  return *searches.names;
}

// The first entry from `from` on that serves the name's kind and, followed
// by `name`, gives a readable regular file.
HeaderKey ScanCache::searchIncludeDirs(std::string_view name, std::size_t from, bool quotedName) {
  return searchesFrom(from, quotedName).get(name, [&]() -> HeaderKey {
    const std::vector<bool>* mayHold = directoriesThatMayHold(name);
    // One string for every candidate, kept from search to search: most
    // names are tried in several directories, and every search allocating
    // its own added to the readers' contention for the heap.
    static thread_local std::string candidate;
    const std::vector<SearchList::Entry>& entries = searchList_.entries();
    for (std::size_t i = from; i < entries.size(); ++i) {
      if (!searchList_.serves(i, quotedName) || (mayHold != nullptr && !(*mayHold)[i])) continue;
      candidate.assign(entries[i].prefix).append(name);
      const HeaderFile& file = find(candidate);
      if (file.found) return HeaderKey{&file, static_cast<int>(i)};
    }
    return HeaderKey{};
  });
}

// Which entries of the search list may hold `name`, one flag per entry, or
// null when every one may. A directory lacking the name's first directory
// component cannot hold it. Most candidates fail that way (a library's own
// subdirectory sits in one include directory only), and one look per
// directory at a component, remembered, settles every name below it.
const std::vector<bool>* ScanCache::directoriesThatMayHold(std::string_view name) {
  const std::optional<std::string_view> component = firstComponent(name);
  // Some systems resolve a parent step without looking at the directory
  // before it, so such names are always looked up whole.
  if (!component || name.find("..") != std::string::npos) return nullptr;
  return &componentHolders_.get(*component, [&] {
    std::vector<bool> holds;
    holds.reserve(searchList_.size());
    for (const SearchList::Entry& entry : searchList_.entries()) {
      holds.push_back(isDirectory(entry.prefix + std::string(*component)));
    }
    return holds;
  });
}

// Most angle-bracket names come up again and again (a library's
// configuration header is included by most of its headers): once a reader
// has claimed a name, the others leave it, without a look at the shared map
// and its lock. A collision in the filter merely leaves a header for the
// scan to read itself.
bool ScanCache::claimedByReader(const HeaderContent& includer, const HeaderDirective& directive) {
  return directive.kind == IncludeKind::kAngle &&
         followedNames_.claimed(nameHash(includer, directive));
}

void ScanCache::readAhead(const HeaderFile& file, const HeaderContent& content, int depth) {
  // One task per directive still to follow, taken newest first: the readers
  // then go depth first through the headers, in the order the scan will
  // want them. The list is kept from call to call, as it is made for every
  // header read.
  static thread_local std::vector<ReadAheadTask> tasks;
  tasks.clear();
  for (std::size_t i = 0; i < content.directives.size(); ++i) {
    const HeaderDirective& directive = content.directives[i];
    // Where a next directive leads depends on how its includer was found,
    // which only the scan knows.
    if (directive.kind != IncludeKind::kMalformed && directive.kind != IncludeKind::kNext &&
        !claimedByReader(content, directive)) {
      tasks.push_back(ReadAheadTask{this, &file, &content, i, depth});
    }
  }
  store_.push(tasks);
}

// Resolves a directive and reads the header it leads to, unless the cuts
// keep the scan from opening it there.
void ScanCache::runReadAheadTask(const ReadAheadTask& task) {
  const HeaderContent& includer = *task.content;
  const HeaderDirective& directive = includer.directives[task.directive];
  // Names are claimed when followed rather than when queued, so that the
  // occurrence the readers reach first, which is mostly the one the scan
  // reaches first, is the one followed.
  if (directive.kind == IncludeKind::kAngle &&
      !followedNames_.claim(nameHash(includer, directive))) {
    return;
  }
  const std::string_view name = includer.textOf(directive);
  const HeaderKey key = childHeader(*task.includer, name, directive.kind, kNoEntry);
  if (key.file == nullptr || !key.file->found || !cuts_.any()) return;
  const int depth = task.depth + 1;
  if (cutOf(name, key) != Cut::kNone || !belowMaxDepth(cuts_, depth)) return;
  bool readHere = false;
  const HeaderContent& content = store_.read(*key.file, &readHere);
  if (readHere) readAhead(*key.file, content, depth);
}
