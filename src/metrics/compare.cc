#include "metrics/compare.h"

#include <algorithm>
#include <ostream>
#include <unordered_map>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "metrics/report_writer.h"
#include "metrics/text_table.h"
#include "metrics/why.h"
#include "util/hex.h"
#include "util/line_count.h"
#include "util/read_file.h"

namespace {

using rapidjson::Value;

const Value* member(const Value& object, const char* key) {
  const Value::ConstMemberIterator found = object.FindMember(key);
  return found == object.MemberEnd() ? nullptr : &found->value;
}

std::string_view stringOf(const Value& value) {
  return {value.GetString(), value.GetStringLength()};
}

// Reads one counter of "closure"; "" or what is wrong.
std::string readCount(const Value& closure, const char* key, std::uint64_t& count) {
  const Value* value = member(closure, key);
  if (value == nullptr || !value->IsUint64()) return std::string("no count \"") + key + '"';
  count = value->GetUint64();
  return "";
}

std::string readFile(const Value& entry, BaselineFile& file) {
  if (!entry.IsObject()) return "not an object";
  const Value* path = member(entry, "path");
  if (path == nullptr || !path->IsString()) return "no \"path\" text";
  file.path = stringOf(*path);
  if (const Value* bytes = member(entry, "pathBytes"); bytes != nullptr) {
    std::optional<std::string> exact;
    if (bytes->IsString()) exact = bytesFromHex(stringOf(*bytes));
    if (!exact) return "bad \"pathBytes\"";
    file.path = std::move(*exact);
  }
  const Value* depth = member(entry, "depth");
  if (depth == nullptr || !(depth->IsNull() || depth->IsUint64())) return "no \"depth\"";
  file.reached = !depth->IsNull();
  const Value* closure = member(entry, "closure");
  if (closure == nullptr || !closure->IsObject()) return "no \"closure\"";
  std::string problem = readCount(*closure, "files", file.closure.files);
  if (problem.empty()) problem = readCount(*closure, "bytes", file.closure.bytes);
  if (problem.empty()) problem = readCount(*closure, "lines", file.closure.lines);
  return problem;
}

// "" or what makes `document` other than a document writeJson wrote.
std::string readDocument(const Value& document, Baseline& baseline) {
  if (!document.IsObject()) return "not an object";
  const Value* tool = member(document, "tool");
  if (tool == nullptr || !tool->IsString() || stringOf(*tool) != "cludemap") {
    return "\"tool\" is not \"cludemap\"";
  }
  if (const Value* version = member(document, "version"); version && version->IsString()) {
    baseline.version = stringOf(*version);
  }
  const Value* files = member(document, "files");
  if (files == nullptr || !files->IsArray()) return "no \"files\" list";
  baseline.files.resize(files->Size());
  for (rapidjson::SizeType at = 0; at < files->Size(); ++at) {
    const std::string problem = readFile((*files)[at], baseline.files[at]);
    if (!problem.empty()) return "files[" + std::to_string(at) + "]: " + problem;
  }
  const Value* roots = member(document, "roots");
  if (roots == nullptr || !roots->IsArray()) return "no \"roots\" list";
  for (const Value& root : roots->GetArray()) {
    if (!root.IsUint64() || root.GetUint64() >= baseline.files.size()) return "a bad root index";
    baseline.roots.push_back(static_cast<std::size_t>(root.GetUint64()));
  }
  return "";
}

using PathIndex = std::unordered_map<std::string_view, std::size_t>;

PathIndex indexByPath(const Baseline& baseline) {
  PathIndex index;
  for (std::size_t file = 0; file < baseline.files.size(); ++file) {
    index.emplace(baseline.files[file].path, file);
  }
  return index;
}

// The baseline file of `path`, or kNoIndex.
std::size_t find(const PathIndex& index, std::string_view path) {
  const PathIndex::const_iterator found = index.find(path);
  return found == index.end() ? kNoIndex : found->second;
}

std::string signedText(std::uint64_t before, std::uint64_t after) {
  return after >= before ? '+' + std::to_string(after - before)
                         : '-' + std::to_string(before - after);
}

// Each root's closure before and after; returns whether one that both runs
// have grew in files or bytes.
bool writeRoots(std::ostream& out, const Baseline& baseline, const PathIndex& index,
                const FileGraph& graph, const GraphMetrics& metrics, std::string_view cwd) {
  out << "\nRoots: closure before and after\n";
  TextTable table({false, true, true, true, true, true, true, true, true, true});
  table.add({"root", "files before", "after", "change", "bytes before", "after", "change",
             "lines before", "after", "change"});
  bool grew = false;
  std::vector<bool> matched(baseline.files.size(), false);
  for (std::size_t root : graph.roots) {
    const FileTotals& now = metrics.files[root].closure;
    std::size_t old = find(index, graph.files[root].path);
    if (old != kNoIndex &&
        std::find(baseline.roots.begin(), baseline.roots.end(), old) == baseline.roots.end()) {
      old = kNoIndex;
    }
    const std::string path = displayPath(graph.files[root].path, cwd);
    if (old == kNoIndex) {
      table.add({path + " (new root)", "-", std::to_string(now.files), "", "-",
                 std::to_string(now.bytes), "", "-", std::to_string(now.lines), ""});
      continue;
    }
    matched[old] = true;
    const FileTotals& was = baseline.files[old].closure;
    grew = grew || now.files > was.files || now.bytes > was.bytes;
    table.add({path, std::to_string(was.files), std::to_string(now.files),
               signedText(was.files, now.files), std::to_string(was.bytes),
               std::to_string(now.bytes), signedText(was.bytes, now.bytes),
               std::to_string(was.lines), std::to_string(now.lines),
               signedText(was.lines, now.lines)});
  }
  for (std::size_t old : baseline.roots) {
    if (matched[old]) continue;
    const FileTotals& was = baseline.files[old].closure;
    table.add({displayPath(baseline.files[old].path, cwd) + " (no longer a root)",
               std::to_string(was.files), "-", "", std::to_string(was.bytes), "-", "",
               std::to_string(was.lines), "-", ""});
  }
  table.write(out, 2);
  return grew;
}

void writeReachChanges(std::ostream& out, const Baseline& baseline, const PathIndex& index,
                       const FileGraph& graph, const GraphMetrics& metrics, std::string_view cwd) {
  std::vector<std::string> added;
  PathIndex reachedNow;
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    if (metrics.files[file].depth == kNoIndex) continue;
    reachedNow.emplace(graph.files[file].path, file);
    const std::size_t old = find(index, graph.files[file].path);
    if (old == kNoIndex || !baseline.files[old].reached) {
      added.push_back(chainText(graph, metrics, file, cwd));
    }
  }
  std::vector<std::string> removed;
  for (const BaselineFile& file : baseline.files) {
    if (file.reached && reachedNow.count(file.path) == 0) {
      removed.push_back(displayPath(file.path, cwd));
    }
  }
  out << "\nNewly reached: " << added.size() << '\n';
  for (const std::string& chain : added) out << "  " << chain << '\n';
  out << "\nNo longer reached: " << removed.size() << '\n';
  for (const std::string& path : removed) out << "  " << path << '\n';
}

void writeGrowth(std::ostream& out, const Baseline& baseline, const PathIndex& index,
                 const FileGraph& graph, const GraphMetrics& metrics, std::string_view cwd) {
  struct Growth {
    std::size_t file, old;
  };
  std::vector<Growth> grown;
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    const std::size_t old = find(index, graph.files[file].path);
    if (old == kNoIndex) continue;
    const FileTotals& now = metrics.files[file].closure;
    const FileTotals& was = baseline.files[old].closure;
    if (now.bytes > was.bytes || now.files > was.files) grown.push_back({file, old});
  }
  // Most bytes gained first, then most files gained (as signed amounts).
  auto gain = [&](const Growth& growth, auto field) {
    return static_cast<std::int64_t>(metrics.files[growth.file].closure.*field -
                                     baseline.files[growth.old].closure.*field);
  };
  std::stable_sort(grown.begin(), grown.end(), [&](const Growth& a, const Growth& b) {
    const std::int64_t bytesA = gain(a, &FileTotals::bytes);
    const std::int64_t bytesB = gain(b, &FileTotals::bytes);
    if (bytesA != bytesB) return bytesA > bytesB;
    return gain(a, &FileTotals::files) > gain(b, &FileTotals::files);
  });
  out << "\nClosures that grew most: " << grown.size() << " grew\n";
  TextTable table({true, true, true, true, false});
  table.add({"bytes", "files", "bytes now", "files now", "file"});
  for (std::size_t at = 0; at < grown.size() && at < kReportTop; ++at) {
    const FileTotals& now = metrics.files[grown[at].file].closure;
    const FileTotals& was = baseline.files[grown[at].old].closure;
    table.add({signedText(was.bytes, now.bytes), signedText(was.files, now.files),
               std::to_string(now.bytes), std::to_string(now.files),
               displayPath(graph.files[grown[at].file].path, cwd)});
  }
  if (!grown.empty()) table.write(out, 2);
}

}  // namespace

Expected<Baseline> readBaseline(const std::string& path) {
  const auto unusable = [](std::string message) {
    return Error{ErrorCategory::kUnusableInput, std::move(message)};
  };
  const Expected<std::string> read = readWholeFile(path);
  if (!read) return unusable("cannot read " + path + ": " + read.error().message);
  const std::string& text = *read;
  rapidjson::Document document;
  document.Parse<rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
  if (document.HasParseError()) {
    return unusable(path + ':' + lineAndColumn(text, document.GetErrorOffset()) +
                    ": not JSON: " + rapidjson::GetParseError_En(document.GetParseError()));
  }
  Baseline baseline;
  const std::string problem = readDocument(document, baseline);
  if (!problem.empty()) return unusable(path + ": not a JSON document of cludemap: " + problem);
  return baseline;
}

bool writeComparison(std::ostream& out, const Baseline& baseline, const FileGraph& graph,
                     const GraphMetrics& metrics, std::string_view currentDirectory) {
  const PathIndex index = indexByPath(baseline);
  out << "Compared with a run of cludemap " << printableText(baseline.version) << '\n';
  const bool grew = writeRoots(out, baseline, index, graph, metrics, currentDirectory);
  writeReachChanges(out, baseline, index, graph, metrics, currentDirectory);
  writeGrowth(out, baseline, index, graph, metrics, currentDirectory);
  out << (grew ? "\nA root's closure grew.\n" : "\nNo root's closure grew.\n");
  return grew;
}
