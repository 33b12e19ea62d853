// The one writer of DOT text: the include tree of -T dot and the pictures,
// and the page's picture, each a style of its own.
#ifndef CLUDEMAP_GRAPH_DOT_WRITER_H_
#define CLUDEMAP_GRAPH_DOT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a text becomes the inside of a DOT quoted string.
enum class DotQuoting {
  // '\' and '"' get a backslash, CR and LF become the escapes "\r" and
  // "\n", every other byte is copied. Labels longer than 4096 bytes are
  // broken after every 4096 label bytes by a backslash and an LF (also where
  // the file's lines end in CR LF), a line continuation that DOT drops when
  // it reads the string.
  kLineEscapes,
  // '\' and '"' get a backslash and every '&' becomes "&amp;", so that
  // Graphviz shows the text as it is: no name can end the string, start an
  // escape or form an entity. Line ends are copied.
  kLiteral,
};

// Appends `text` to `out` quoted as `quoting` says.
void appendDotString(std::string& out, std::string_view text, DotQuoting quoting);

// What a box stands for, beyond its label.
struct NodeMarks {
  bool missing = false;  // no readable file is where its name led
  bool system = false;   // found through a system entry
};

// The edge from a box to its includer.
enum class EdgeKind : std::uint8_t {
  kNoIncluder,     // a start header
  kFirstSighting,  // the box's label is met for the first time
  kRepeat,         // the label had been met before
};

// The texts of one kind of DOT graph. In the statements, "%n" stands for
// the box's number, "%l" for its quoted label and "%a" for the attributes
// its marks add; in the edges, "%c" for the included box's number and "%p"
// for its includer's.
struct DotStyle {
  std::string_view opening, closing;
  std::string_view node;
  std::string_view firstSightingEdge, repeatEdge;
  DotQuoting quoting;
  // The attributes that marks add to a box, each after a comma; null: none.
  std::string_view (*markAttributes)(const NodeMarks& marks) = nullptr;
};

// Writes statements in a style, gathering them into large writes. A box's
// statement is made once per label number and marks, since a tree repeats
// its boxes many times. The caller checks the stream's state.
class DotWriter {
 public:
  // Label numbers are below `labelCount`.
  DotWriter(std::ostream& out, const DotStyle& style, std::size_t labelCount);
  DotWriter(const DotWriter&) = delete;
  DotWriter& operator=(const DotWriter&) = delete;
  ~DotWriter();

  void opening();
  void node(std::int32_t number, std::string_view label, std::size_t labelNumber,
            const NodeMarks& marks);
  // Nothing for kNone.
  void edge(EdgeKind kind, std::int32_t child, std::int32_t parent);
  // Writes the closing text and everything gathered.
  void closing();
  // Writes everything gathered.
  void flush();

 private:
  struct Template;

  // Text gathered for the stream. Appending copies straight into room made
  // beforehand: the writer appends several pieces per box, and a checked
  // append for each costs more than the copying.
  class Text {
   public:
    explicit Text(std::size_t capacity) : bytes_(new char[capacity]), capacity_(capacity) {}

    // Makes room for `size` more bytes.
    void reserve(std::size_t size) {
      if (size_ + size > capacity_) grow(size);
    }
    // Needs the room made by reserve.
    void append(std::string_view text) {
      if (text.empty()) return;  // an empty view may have no data
      std::memcpy(bytes_.get() + size_, text.data(), text.size());
      size_ += text.size();
    }
    std::string_view view() const { return {bytes_.get(), size_}; }
    void clear() { size_ = 0; }

   private:
    void grow(std::size_t size);

    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_;
  };

  // Appends `statement` to `text` with its holes filled; `text` has room.
  static void fill(Text& text, const Template& statement, std::int32_t first, std::int32_t second,
                   std::string_view label, std::string_view attributes);

  std::ostream& out_;
  const DotStyle& style_;
  std::unique_ptr<Template> node_, firstSightingEdge_, repeatEdge_;
  // By label number and marks; empty until made.
  std::vector<std::string> nodeStatements_;
  Text text_;
};

#endif  // CLUDEMAP_GRAPH_DOT_WRITER_H_
