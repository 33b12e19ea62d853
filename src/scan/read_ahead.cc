#include "scan/read_ahead.h"

#include <utility>

#include "scan/header_file.h"
#include "scan/path_spelling.h"

namespace {

std::uint64_t nameHash(const HeaderContent& includer, const DirectiveText& directive) {
  return StringMap<char>::hashOf(includer.textOf(directive));
}

}  // namespace

ContentStore::ContentStore(unsigned readerThreads, bool fileFacts)
    : fileFacts_(fileFacts), readers_(readerThreads, [](const ReadAheadTask& task) {
        task.cache->runReadAheadTask(task);
      }) {}

ContentStore::~ContentStore() = default;

const HeaderContent& ContentStore::get(const std::string& path, bool* readHere) {
  return contents_.get(
      path,
      [&] {
        HeaderContent read = readHeaderContent(path, fileFacts_);
        if (fileFacts_ && read.readable) read.canonicalPath = canonicalPaths_.of(path);
        read.number = contentCount_++;
        if (read.readable) ++filesRead_;
        return read;
      },
      readHere);
}

ScanCache::ScanCache(SearchList searchList, ContentStore& store)
    : searchList_(std::move(searchList)),
      store_(store),
      // Angle-bracket searches may start at any entry, or past the last;
      // quoted ones get a map of their own.
      searches_(std::make_unique<Searches[]>(searchList_.size() + 2)) {}

ScanCache::~ScanCache() = default;

ScannedHeader& ScanCache::headerAt(const std::string& path) { return headerOf(readOnce(path)); }

DirectiveMemo& ScanCache::resolve(ScannedHeader& includer, std::size_t index, int includerEntry) {
  DirectiveMemo& memo = includer.directives[index];
  memo.resolved = true;
  memo.resolvedFor = includerEntry;
  const HeaderContent& content = *includer.content;
  const DirectiveText& directive = content.directives[index];
  Destination* destination = &memo.to;
  if (directive.kind == IncludeDirective::Kind::kAngle) {
    // Names recur across headers; the scan keeps its own copy of where each
    // led, which it reads without taking the shared map's lock.
    const auto [entry, added] = angleNames_.tryEmplace(content.textOf(directive));
    if (!added) {
      memo.to = entry->second;
      return memo;
    }
    destination = &entry->second;
  }
  const FoundHeader found = childHeader(content, directive, includerEntry);
  *destination = found.content == nullptr ? Destination{}
                                          : Destination{&headerOf(*found.content), found.entry};
  memo.to = *destination;
  return memo;
}

void ScanCache::stopReadingAhead() { store_.drain(); }

ScannedHeader& ScanCache::headerOf(const HeaderContent& content) {
  if (content.number >= headerByNumber_.size()) {
    headerByNumber_.resize(content.number + 1, nullptr);
  }
  ScannedHeader*& header = headerByNumber_[content.number];
  if (header == nullptr) {
    header = &headers_.emplace_back();
    header->content = &content;
    header->directives.resize(content.directives.size());
  }
  return *header;
}

// The content of the header at `path`, read by the first thread that needs
// it. The cache whose search reads a header first reads ahead below it; a
// header another cache read first is resolved by this one's scan.
const HeaderContent& ScanCache::readOnce(const std::string& path) {
  bool readHere = false;
  const HeaderContent& content = store_.get(path, &readHere);
  if (readHere) readAhead(content);
  return content;
}

// The header a directive leads to. A next directive searches the entries
// after the one its includer was found in, or all of them when the
// includer was found in none.
FoundHeader ScanCache::childHeader(const HeaderContent& includer, const DirectiveText& directive,
                                   int includerEntry) {
  const std::string_view name = includer.textOf(directive);
  switch (directive.kind) {
    case IncludeDirective::Kind::kQuoted:
      return resolveQuotedName(includer, name);
    case IncludeDirective::Kind::kNext:
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
FoundHeader ScanCache::resolveQuotedName(const HeaderContent& includer, std::string_view name) {
  const HeaderContent& beside = readOnce(pathBeside(includer.path, name));
  if (beside.readable || searchList_.empty()) return FoundHeader{&beside, kNoEntry};
  const FoundHeader found = searchIncludeDirs(name, 0, true);
  return found.content != nullptr ? found : FoundHeader{&beside, kNoEntry};
}

// The map of names searched from entry `from` on, for one kind of name.
// Quoted and angle-bracket names share one where every entry serves both.
OnceMap<FoundHeader>& ScanCache::searchesFrom(std::size_t from, bool quotedName) {
  const bool ownList = quotedName && searchList_.hasQuotedOnly();
  Searches& searches = searches_[ownList ? searchList_.size() + 1 : from];
  std::call_once(searches.made,
                 [&searches] { searches.names = std::make_unique<OnceMap<FoundHeader>>(); });
  return *searches.names;
}

// The first entry from `from` on that serves the name's kind and, followed
// by `name`, gives a readable regular file.
FoundHeader ScanCache::searchIncludeDirs(std::string_view name, std::size_t from, bool quotedName) {
  return searchesFrom(from, quotedName).get(name, [&]() -> FoundHeader {
    const std::vector<bool>* mayHold = directoriesThatMayHold(name);
    // One string for every candidate, kept from search to search: most
    // names are tried in several directories, and every search allocating
    // its own added to the readers' contention for the heap.
    static thread_local std::string candidate;
    const std::vector<SearchList::Entry>& entries = searchList_.entries();
    for (std::size_t i = from; i < entries.size(); ++i) {
      if (!searchList_.serves(i, quotedName) || (mayHold != nullptr && !(*mayHold)[i])) continue;
      candidate.assign(entries[i].prefix).append(name);
      const HeaderContent& content = readOnce(candidate);
      if (content.readable) return FoundHeader{&content, static_cast<int>(i)};
    }
    return FoundHeader{};
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
bool ScanCache::claimedByReader(const HeaderContent& includer, const DirectiveText& directive) {
  return directive.kind == IncludeDirective::Kind::kAngle &&
         followedNames_.claimed(nameHash(includer, directive));
}

void ScanCache::readAhead(const HeaderContent& content) {
  // One task per directive still to follow, taken newest first: the readers
  // then go depth first through the headers, in the order the scan will
  // want them. The list is kept from call to call, as it is made for every
  // header read.
  static thread_local std::vector<ReadAheadTask> tasks;
  tasks.clear();
  for (std::size_t i = 0; i < content.directives.size(); ++i) {
    const DirectiveText& directive = content.directives[i];
    // Where a next directive leads depends on how its includer was found,
    // which only the scan knows.
    if (directive.kind != IncludeDirective::Kind::kMalformed &&
        directive.kind != IncludeDirective::Kind::kNext && !claimedByReader(content, directive)) {
      tasks.push_back(ReadAheadTask{this, &content, i});
    }
  }
  store_.push(tasks);
}

void ScanCache::runReadAheadTask(const ReadAheadTask& task) {
  const HeaderContent& includer = *task.includer;
  const DirectiveText& directive = includer.directives[task.directive];
  // Names are claimed when followed rather than when queued, so that the
  // occurrence the readers reach first, which is mostly the one the scan
  // reaches first, is the one followed.
  if (directive.kind == IncludeDirective::Kind::kAngle &&
      !followedNames_.claim(nameHash(includer, directive))) {
    return;
  }
  childHeader(includer, directive, kNoEntry);
}
