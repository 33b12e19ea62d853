#include "scan/header_content.h"

#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "scan/header_file.h"

namespace {

// What reading one header takes besides its result: the file's bytes, and
// its directives as views into them.
struct Scratch {
  ReadBuffer bytes;
  std::vector<DirectiveView> found;
};

// The largest read buffer kept for later reads.
constexpr std::size_t kKeptBufferBytes = 256 << 10;

// Scratch space kept from read to read, so that reads rarely allocate, and
// shared by all threads: space grown for a larger file is then reused by
// the next read wherever it runs, where space per thread would grow in
// every thread that meets a larger file.
class ScratchPool {
 public:
  std::unique_ptr<Scratch> take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) return std::make_unique<Scratch>();
    std::unique_ptr<Scratch> scratch = std::move(free_.back());
    free_.pop_back();
    return scratch;
  }
  void put(std::unique_ptr<Scratch> scratch) {
    // A buffer grown for one of the few large files goes back to the heap,
    // where the scan's own allocations reuse it, rather than waiting for
    // another large file: each thread's buffer would otherwise grow to the
    // largest file that thread has met.
    if (scratch->bytes.size() > kKeptBufferBytes) scratch->bytes = ReadBuffer();
    const std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(scratch));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Scratch>> free_;
};

// Never freed, so that threads still reading at exit find it.
ScratchPool& scratchPool() {
  static ScratchPool* const pool = new ScratchPool();
  return *pool;
}

// Returns its scratch space to the pool when it goes.
class ScratchLoan {
 public:
  ScratchLoan() : scratch_(scratchPool().take()) {}
  ~ScratchLoan() { scratchPool().put(std::move(scratch_)); }
  ScratchLoan(const ScratchLoan&) = delete;
  ScratchLoan& operator=(const ScratchLoan&) = delete;
  Scratch* operator->() const { return scratch_.get(); }

 private:
  std::unique_ptr<Scratch> scratch_;
};

}  // namespace

HeaderContent readHeaderContent(const std::string& path) {
  const ScratchLoan scratch;
  std::vector<DirectiveView>& found = scratch->found;
  HeaderContent content;
  content.path = path;
  const std::optional<std::string_view> bytes = readHeaderFile(path, scratch->bytes);
  if (!bytes) return content;
  content.readable = true;
  found.clear();
  std::size_t textBytes = 0;
  forEachIncludeDirective(*bytes, [&](const DirectiveView& directive) {
    found.push_back(directive);
    textBytes += directive.text.size();
    if (directive.label != directive.text) textBytes += directive.label.size();
  });
  // Filled at their final size, which spares the copies and the memory that
  // growing them piece by piece would cost.
  content.texts.reserve(textBytes);
  content.directives.reserve(found.size());
  for (const DirectiveView& directive : found) {
    DirectiveText& kept = content.directives.emplace_back();
    kept.kind = directive.kind;
    kept.textStart = content.texts.size();
    kept.textSize = directive.text.size();
    content.texts += directive.text;
    // A quoted name is its own label.
    if (directive.label != directive.text) content.texts += directive.label;
    kept.labelStart = content.texts.size() - directive.label.size();
    kept.labelSize = directive.label.size();
    if (directive.kind != IncludeDirective::Kind::kMalformed) ++content.childDirectives;
  }
  return content;
}
