#include "graph/dot_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ostream>
#include <utility>

namespace {

// Graphviz rejects a run of 16384 or more plain bytes inside a quoted string.
// Quoted pieces joined with '+' would avoid that, but Graphviz joins them in
// time quadratic in the label's length (minutes for a few megabytes). A
// backslash before a line end inside a quoted string is dropped on reading
// and ends the run, so long labels are broken into lines of 4096 label bytes
// (at most 8192 bytes once escaped), which Graphviz reads in linear time.
// The continuation ends in a bare LF on every system, also where the file's
// own lines end in CR LF: only a backslash right before LF continues a line
// for every DOT reader.
constexpr std::size_t kLabelPieceBytes = 4096;
constexpr std::string_view kLabelLineContinuation = "\\\n";

// The escape for `c` under `quoting`, or null for a byte copied as it is.
const char* escapeOf(char c, DotQuoting quoting) {
  switch (c) {
    case '\\':
      return "\\\\";
    case '"':
      return "\\\"";
    case '\r':
      return quoting == DotQuoting::kLineEscapes ? "\\r" : nullptr;
    case '\n':
      return quoting == DotQuoting::kLineEscapes ? "\\n" : nullptr;
    case '&':
      return quoting == DotQuoting::kLiteral ? "&amp;" : nullptr;
    default:
      return nullptr;
  }
}

}  // namespace

void appendDotString(std::string& out, std::string_view text, DotQuoting quoting) {
  const std::size_t piece =
      quoting == DotQuoting::kLineEscapes ? kLabelPieceBytes : std::string_view::npos;
  for (std::size_t start = 0; start < text.size(); start += piece) {
    if (start != 0) out += kLabelLineContinuation;
    const std::string_view part = text.substr(start, piece);
    // Runs of plain bytes are copied whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < part.size(); ++i) {
      const char* escape = escapeOf(part[i], quoting);
      if (escape == nullptr) continue;
      out.append(part.data() + plain, i - plain);
      out += escape;
      plain = i + 1;
    }
    out.append(part.data() + plain, part.size() - plain);
  }
}

// A statement's text split once at its holes, so that the statements the
// writer makes for almost every box need no parsing.
struct DotWriter::Template {
  struct Piece {
    std::string_view text;
    char hole;  // 'n', 'c', 'p', 'l', 'a', or 0 after the last piece
  };

  explicit Template(std::string_view format) {
    for (std::size_t at = format.find('%'); at != std::string_view::npos; at = format.find('%')) {
      pieces.push_back(Piece{format.substr(0, at), format[at + 1]});
      format.remove_prefix(at + 2);
    }
    pieces.push_back(Piece{format, 0});
    for (const Piece& piece : pieces) fixedBytes += piece.text.size() + kNumberBytes;
  }

  std::vector<Piece> pieces;
  std::size_t fixedBytes = 0;  // the most it takes besides its label and attributes
};

void DotWriter::Text::grow(std::size_t size) {
  capacity_ = std::max(2 * capacity_, size_ + size);
  std::unique_ptr<char[]> larger(new char[capacity_]);
  std::memcpy(larger.get(), bytes_.get(), size_);
  bytes_ = std::move(larger);
}

DotWriter::NumberText::NumberText(std::int32_t number) {
  length_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, number).ptr -
                                     digits_);
}

DotWriter::EdgeText DotWriter::edgeText(const Template& statement) {
  const std::vector<Template::Piece>& pieces = statement.pieces;
  if (pieces.size() != 3 || pieces[0].hole != 'c' || pieces[1].hole != 'p') return EdgeText{};
  return EdgeText{true, pieces[0].text, pieces[1].text, pieces[2].text};
}

DotWriter::DotWriter(std::ostream& out, const DotStyle& style, std::size_t labelCount)
    : out_(out),
      style_(style),
      node_(std::make_unique<Template>(style.node)),
      firstSightingEdge_(std::make_unique<Template>(style.firstSightingEdge)),
      repeatEdge_(std::make_unique<Template>(style.repeatEdge)),
      firstSightingText_(edgeText(*firstSightingEdge_)),
      repeatText_(edgeText(*repeatEdge_)),
      nodeStatements_(labelCount),
      text_(kFlushBytes + 4096) {}

DotWriter::~DotWriter() = default;

void DotWriter::opening() {
  text_.reserve(style_.opening.size());
  text_.append(style_.opening);
}

void DotWriter::closing() {
  text_.reserve(style_.closing.size());
  text_.append(style_.closing);
  flush();
}

void DotWriter::flush() {
  out_.write(text_.view().data(), static_cast<std::streamsize>(text_.view().size()));
  text_.clear();
}

void DotWriter::makeStatement(std::size_t slot, std::int32_t number, std::string_view label,
                              const NodeMarks& marks) {
  if (slot >= nodeStatements_.size()) nodeStatements_.resize(slot + 1);
  // Sized up front: growing these strings step by step would cost more
  // than filling them.
  std::string quoted;
  quoted.reserve(2 * label.size());
  appendDotString(quoted, label, style_.quoting);
  const std::string_view attributes =
      style_.markAttributes != nullptr ? style_.markAttributes(marks) : std::string_view();
  Text made(node_->fixedBytes + quoted.size() + attributes.size());
  fill(made, *node_, number, 0, quoted, attributes);
  nodeStatements_[slot].assign(made.view());
}

void DotWriter::generalEdge(EdgeKind kind, std::int32_t child, std::int32_t parent) {
  const Template& statement = kind == EdgeKind::kFirstSighting ? *firstSightingEdge_ : *repeatEdge_;
  text_.reserve(statement.fixedBytes);
  fill(text_, statement, child, parent, {}, {});
}

void DotWriter::fill(Text& text, const Template& statement, std::int32_t first, std::int32_t second,
                     std::string_view label, std::string_view attributes) {
  for (const Template::Piece& piece : statement.pieces) {
    text.append(piece.text);
    switch (piece.hole) {
      case 'n':
      case 'c':
        text.append(NumberText(first).view());
        break;
      case 'p':
        text.append(NumberText(second).view());
        break;
      case 'l':
        text.append(label);
        break;
      case 'a':
        text.append(attributes);
        break;
      default:
        break;
    }
  }
}
