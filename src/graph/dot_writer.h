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
  // Inline, as a tree writes a box and an edge for almost every node: the
  // statements are made once and then only copied.
  void node(std::int32_t number, std::string_view label, std::size_t labelNumber,
            const NodeMarks& marks) {
    // Marks change a statement only where the style has attributes for them.
    const std::size_t slot =
        style_.markAttributes == nullptr
            ? labelNumber
            : 4 * labelNumber + (marks.missing ? 1 : 0) + (marks.system ? 2 : 0);
    if (slot >= nodeStatements_.size() || nodeStatements_[slot].empty()) {
      makeStatement(slot, number, label, marks);
    }
    const std::string& statement = nodeStatements_[slot];
    text_.reserve(statement.size());
    text_.append(statement);
    if (text_.view().size() >= kFlushBytes) flush();
  }
  // Nothing for kNoIncluder.
  void edge(EdgeKind kind, std::int32_t child, std::int32_t parent) {
    if (kind == EdgeKind::kNoIncluder) return;
    const EdgeText& edge = kind == EdgeKind::kFirstSighting ? firstSightingText_ : repeatText_;
    if (!edge.childThenParent) {
      generalEdge(kind, child, parent);
      return;
    }
    text_.reserve(edge.head.size() + edge.middle.size() + edge.tail.size() + 2 * kNumberBytes);
    text_.append(edge.head);
    text_.append(NumberText(child).view());
    text_.append(edge.middle);
    text_.append(NumberText(parent).view());
    text_.append(edge.tail);
  }
  // Writes the closing text and everything gathered.
  void closing();
  // Writes everything gathered.
  void flush();

 private:
  struct Template;

  // Statements are gathered and handed to the stream in large pieces.
  static constexpr std::size_t kFlushBytes = 1 << 20;
  // The most a number takes.
  static constexpr std::size_t kNumberBytes = 11;

  class NumberText {
   public:
    explicit NumberText(std::int32_t number);
    std::string_view view() const { return {digits_, length_}; }

   private:
    char digits_[12];
    std::size_t length_;
  };

  // An edge statement split at its two numbers, where it names the included
  // box first and then its includer, as most styles do.
  struct EdgeText {
    bool childThenParent = false;
    std::string_view head, middle, tail;
  };

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

  void makeStatement(std::size_t slot, std::int32_t number, std::string_view label,
                     const NodeMarks& marks);
  void generalEdge(EdgeKind kind, std::int32_t child, std::int32_t parent);
  static EdgeText edgeText(const Template& statement);

  // Appends `statement` to `text` with its holes filled; `text` has room.
  static void fill(Text& text, const Template& statement, std::int32_t first, std::int32_t second,
                   std::string_view label, std::string_view attributes);

  std::ostream& out_;
  const DotStyle& style_;
  std::unique_ptr<Template> node_, firstSightingEdge_, repeatEdge_;
  EdgeText firstSightingText_, repeatText_;
  // By label number and marks; empty until made.
  std::vector<std::string> nodeStatements_;
  Text text_;
};

#endif  // CLUDEMAP_GRAPH_DOT_WRITER_H_
