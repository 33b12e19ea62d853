#include "metrics/json_writer.h"

#include <charconv>
#include <cstring>
#include <ostream>

#include "metrics/utf8.h"
#include "util/hex.h"

namespace {

// The most bytes one byte of a name takes in the document: "\u00XX".
constexpr std::size_t kEscapedBytes = 6;
// Room for one number (at most 20 digits) and the comma after it.
constexpr std::size_t kNumberBytes = 21;
// Room for the field names and punctuation of one entry.
constexpr std::size_t kEntryText = 400;

// Writes `text` as the inside of a JSON string at `at`, which has room for
// kEscapedBytes a byte; returns the end.
char* writeEscaped(char* at, std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != '"' && byte != '\\') {
      *at++ = c;
      continue;
    }
    *at++ = '\\';
    switch (byte) {
      case '"':
        *at++ = '"';
        break;
      case '\\':
        *at++ = '\\';
        break;
      case '\n':
        *at++ = 'n';
        break;
      case '\r':
        *at++ = 'r';
        break;
      case '\t':
        *at++ = 't';
        break;
      default:
        *at++ = 'u';
        *at++ = '0';
        *at++ = '0';
        *at++ = hexDigit(byte >> 4U);
        *at++ = hexDigit(byte);
    }
  }
  return at;
}

// The document goes into a buffer that is handed to the stream whenever an
// entry would not fit, so that a large graph needs no second copy in memory.
// Each entry first makes room for all it writes; the writes then go straight
// into the buffer.
class JsonOut {
 public:
  explicit JsonOut(std::ostream& out) : out_(out), buffer_(kBufferSize) {}
  ~JsonOut() { flush(); }
  JsonOut(const JsonOut&) = delete;
  JsonOut& operator=(const JsonOut&) = delete;

  void room(std::size_t bytes) {
    if (used_ + bytes <= buffer_.size()) return;
    flush();
    if (bytes > buffer_.size()) buffer_.resize(bytes);
  }
  template <std::size_t N>
  JsonOut& text(const char (&literal)[N]) {
    std::memcpy(end(), literal, N - 1);
    used_ += N - 1;
    return *this;
  }
  JsonOut& number(std::uint64_t value) {
    used_ = static_cast<std::size_t>(std::to_chars(end(), end() + kNumberBytes, value).ptr -
                                     buffer_.data());
    return *this;
  }
  JsonOut& optionalNumber(std::size_t value) {
    return value == kNoIndex ? text("null") : number(value);
  }
  JsonOut& boolean(bool value) { return value ? text("true") : text("false"); }
  JsonOut& numbers(const std::vector<std::size_t>& values) {
    text("[");
    for (std::size_t at = 0; at < values.size(); ++at) {
      if (at > 0) text(",");
      number(values[at]);
    }
    return text("]");
  }
  // "KEY":"TEXT", and "KEYBytes":"HEX" after it when the text is not valid
  // UTF-8. Needs room for kEscapedBytes + 2 a byte.
  template <std::size_t N>
  JsonOut& name(const char (&key)[N], std::string_view bytes) {
    text("\"").text(key).text("\":\"");
    const bool valid = isValidUtf8(bytes);
    const std::string repaired = valid ? std::string() : toValidUtf8(bytes);
    used_ =
        static_cast<std::size_t>(writeEscaped(end(), valid ? bytes : repaired) - buffer_.data());
    text("\"");
    if (valid) return *this;
    text(",\"").text(key).text("Bytes\":\"");
    const std::string hex = hexBytes(bytes);
    std::memcpy(end(), hex.data(), hex.size());
    used_ += hex.size();
    return text("\"");
  }

 private:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
  char* end() { return buffer_.data() + used_; }
  void flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }
  std::ostream& out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// Room for a name of `bytes` bytes written by JsonOut::name.
std::size_t nameRoom(std::string_view bytes) { return (kEscapedBytes + 2) * bytes.size(); }

// Writes a comma and a line break before every element of a list but the
// first, and a line break before that.
void separate(JsonOut& json, bool first) {
  if (first) {
    json.text("\n");
  } else {
    json.text(",\n");
  }
}

void writeFile(JsonOut& json, bool first, const FileRecord& file, const FileMetrics& figures) {
  json.room(kEntryText + nameRoom(file.path) + kNumberBytes * (8 + figures.includes.size()));
  separate(json, first);
  json.text("{").name("path", file.path);
  json.text(",\"found\":").boolean(file.found).text(",\"system\":").boolean(file.system);
  json.text(",\"expanded\":").boolean(file.expanded);
  json.text(",\"bytes\":").number(file.bytes).text(",\"lines\":").number(file.lines);
  json.text(",\"includes\":").numbers(figures.includes);
  json.text(",\"closure\":{\"files\":").number(figures.closure.files);
  json.text(",\"bytes\":").number(figures.closure.bytes);
  json.text(",\"lines\":").number(figures.closure.lines).text("}");
  json.text(",\"includedBy\":").number(figures.includedBy);
  json.text(",\"reachedFrom\":").number(figures.reachedFrom);
  json.text(",\"depth\":").optionalNumber(figures.depth);
  json.text(",\"via\":").optionalNumber(figures.via).text("}");
}

}  // namespace

void appendJsonString(std::string& out, std::string_view bytes) {
  const std::string valid = isValidUtf8(bytes) ? std::string(bytes) : toValidUtf8(bytes);
  const std::size_t start = out.size();
  out.resize(start + kEscapedBytes * valid.size() + 2);
  out[start] = '"';
  char* end = writeEscaped(&out[start + 1], valid);
  *end++ = '"';
  out.resize(static_cast<std::size_t>(end - out.data()));
}

void writeJson(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
               std::string_view version) {
  JsonOut json(out);
  json.room(kEntryText + nameRoom(version));
  json.text("{\"tool\":\"cludemap\",").name("version", version).text(",\"roots\":[");
  for (std::size_t root = 0; root < graph.roots.size(); ++root) {
    json.room(kNumberBytes);
    if (root > 0) json.text(",");
    json.number(graph.roots[root]);
  }
  json.room(kEntryText);
  json.text("],\"files\":[");
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    writeFile(json, file == 0, graph.files[file], metrics.files[file]);
  }
  json.room(kEntryText);
  json.text("],\"unresolved\":[");
  for (const UnresolvedName& name : graph.unresolved) {
    json.room(kEntryText + nameRoom(name.name));
    separate(json, &name == graph.unresolved.data());
    json.text("{").name("name", name.name).text(",\"includer\":").number(name.includer);
    json.text(",\"line\":").number(name.line).text("}");
  }
  json.room(kEntryText);
  json.text("],\"cycles\":[");
  for (const std::vector<std::size_t>& cycle : metrics.cycles) {
    json.room(kEntryText + kNumberBytes * cycle.size());
    separate(json, &cycle == metrics.cycles.data());
    json.numbers(cycle);
  }
  json.room(kEntryText);
  json.text("],\"warnings\":").number(graph.warnings);
  // Only the compiler's view says how it was made: documents of the
  // textual scan stay as they were.
  if (graph.preprocessed) json.text(",\"mode\":\"preprocess\"");
  json.text("}\n");
}
