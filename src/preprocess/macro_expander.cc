#include "preprocess/macro_expander.h"

#include <cstddef>
#include <unordered_set>
#include <utility>
#include <vector>

#include "preprocess/tokenize.h"

// The expander mirrors GCC's, padding included: in #include lines GCC pads
// less than in text (stringizing shows it; clang pads alike in both), and
// in #if lines only around __VA_OPT__.
//
// A stack of token sources ("frames"), the line
// at the bottom, one above it per macro being expanded. A macro stays
// disabled while its frame is on the stack, and a frame leaves the stack
// only when a read finds it empty. That laziness is what lets the '(' of a
// call come after the end of the macro that produced the name, and what
// decides which names are painted (Token::noExpand).

namespace {

// Bounds on one line's expansion, far beyond real code: a million tokens
// and 64 MB of new spellings, more as the macros are larger (a 10 MB macro
// still expands), so that a hostile line costs a fraction of a second and
// some hundred MB.
constexpr std::size_t kBaseTokens = std::size_t{1} << 20;
constexpr std::size_t kTokensPerInput = 4;
constexpr std::size_t kMaxBytes = std::size_t{1} << 26;
// Argument pre-expansion and built-in operands recurse on the C++ stack.
constexpr int kMaxDepth = 200;

// GCC's padding tokens carry no text, only whether white space stood where
// they come from (their "source"); stringizing reads that.
enum class Pad : std::uint8_t {
  kNone,      // a real token
  kNoSource,  // what GCC calls avoid_paste
  kSpaced,
  kUnspaced,
};

struct Piece {
  Token token;
  bool pasteLeft = false;
  Pad pad = Pad::kNone;
};

Piece paddingFrom(const Token& source) {
  Piece piece;
  piece.pad = source.spaceBefore ? Pad::kSpaced : Pad::kUnspaced;
  return piece;
}

Piece avoidPaste() {
  Piece piece;
  piece.pad = Pad::kNoSource;
  return piece;
}

bool isPunctuator(const Token& token, std::string_view meaning) {
  return token.kind == TokenKind::kPunctuator &&
         (token.text == meaning || digraphMeaning(token.text) == meaning);
}

bool isPunctuator(const Piece& piece, std::string_view meaning) {
  return piece.pad == Pad::kNone && isPunctuator(piece.token, meaning);
}

// A string literal's text, for __FILE__ and stringizing.
void appendQuoted(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? 'n' : c;
    if (c == '\n') out.insert(out.size() - 1, 1, '\\');
  }
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  appendQuoted(out, text);
  return out + '"';
}

struct Frame {
  const Macro* macro = nullptr;      // disabled while the frame lives
  const MacroToken* body = nullptr;  // the replacement list it reads, or
  std::vector<Piece> pieces;         // the tokens it holds
  std::size_t next = 0;
  std::size_t end = 0;
  bool barrier = false;  // the line, or an argument being expanded: ends rather than pops

  Piece take() {
    const std::size_t at = next++;
    if (body == nullptr) return pieces[at];
    Piece piece;
    piece.token = body[at].token;
    piece.pasteLeft = body[at].pasteLeft;
    return piece;
  }
};

struct Argument {
  std::vector<Piece> raw;
  std::vector<Piece> expanded;
  bool isExpanded = false;
  // The variadic argument left out, not just empty: a comma before
  // ", ## __VA_ARGS__" goes.
  bool omitted = false;
};

constexpr std::ptrdiff_t kNull = -1;

// Where __FILE_NAME__ cuts __FILE__, as GCC does on each host.
#ifdef _WIN32
constexpr std::string_view kDirectorySeparators = "/\\";
#else
constexpr std::string_view kDirectorySeparators = "/";
#endif

// A '<' ... '>' sequence joined as GCC joins it; `next` reads tokens past
// the '<'. `closed` is false when the line ends first. Clang spells the
// tokens as -E would, with the white space of padding (the macro name's
// before its expansion, the space before the '>').
template <typename Next>
std::string joinAngled(Next next, bool& closed) {
  std::string name;
  Token token;
  while ((closed = next(token)) && !isPunctuator(token, ">")) {
    if (token.spaceBefore) name += ' ';
    name += token.text;
  }
  return name;
}

bool isPlainString(const Token& token) {
  return token.kind == TokenKind::kString && !token.text.empty() && token.text.front() == '"';
}

std::string_view withoutQuotes(std::string_view text) {
  return text.size() < 2 ? std::string_view() : text.substr(1, text.size() - 2);
}

}  // namespace

class MacroExpander::Impl {
 public:
  Impl(const Tokens& line, Environment& env, ExpansionMode mode, TextArena& arena)
      : env_(env),
        mode_(mode),
        arena_(arena),
        maxTokens_(kBaseTokens + kTokensPerInput * (line.size() + env.macros.bodyTokens())) {
    Frame base;
    base.barrier = true;
    base.pieces.reserve(line.size());
    for (const Token& token : line) base.pieces.push_back(Piece{token});
    base.end = base.pieces.size();
    frames_.push_back(std::move(base));
    spend(line.size());
  }

  // GCC's cpp_get_token.
  Read read(Piece& out) {
    for (;;) {
      if (stopped_) return Read::kEnd;
      Frame& frame = frames_.back();
      if (frame.next == frame.end) {
        if (frame.barrier) return Read::kEnd;
        pop();
        if (mode_ != ExpansionMode::kText) continue;
        out = avoidPaste();
        return Read::kPadding;
      }
      if (!spend(1)) return Read::kEnd;
      Piece piece = frame.take();
      if (piece.pasteLeft) {
        pasteAll(piece);
        if (mode_ != ExpansionMode::kText) continue;
        out = paddingFrom(piece.token);
        return Read::kPadding;
      }
      out = piece;
      if (piece.pad != Pad::kNone) return Read::kPadding;
      if (piece.token.kind != TokenKind::kIdentifier || piece.token.noExpand) return Read::kToken;
      const Macro* macro = env_.macros.find(piece.token.text);
      if (macro == nullptr) return Read::kToken;
      if (disabled_.count(macro) != 0) {
        out.token.noExpand = true;
        return Read::kToken;
      }
      if (prevent_ > 0 || !enter(*macro, piece.token)) return Read::kToken;
      if (mode_ != ExpansionMode::kText) continue;
      out = paddingFrom(piece.token);
      return Read::kPadding;
    }
  }

  bool next(Token& token) {
    Piece piece;
    Read r = Read::kPadding;
    while ((r = read(piece)) == Read::kPadding) {
    }
    if (r == Read::kToken) token = piece.token;
    return r == Read::kToken;
  }

  void fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  int prevent_ = 0;  // GCC's prevent_expansion: names are read as they are
  bool skip_ = false;
  bool stopped_ = false;
  bool unanswered_ = false;
  std::string error_;

 private:
  bool stop(std::string message) {
    fail(std::move(message));
    stopped_ = true;
    return false;
  }

  bool spend(std::size_t tokens) {
    tokens_ += tokens;
    return tokens_ <= maxTokens_ || stop("macro expansion too large");
  }

  bool spendBytes(std::size_t bytes) {
    bytes_ += bytes;
    return bytes_ <= kMaxBytes || stop("macro expansion too large");
  }

  void push(Frame frame, const Macro* macro) {
    if (frame.body == nullptr) frame.end = frame.pieces.size();
    frame.macro = macro;
    if (macro != nullptr) disabled_.insert(macro);
    frames_.push_back(std::move(frame));
  }

  void pop() {
    if (frames_.back().macro != nullptr) disabled_.erase(frames_.back().macro);
    frames_.pop_back();
  }

  // Starts expanding `macro`, whose name `name` was just read. False when
  // it does not expand: a function-like macro without arguments, a failed
  // call, _Pragma.
  bool enter(const Macro& macro, const Token& name) {
    if (depth_ >= kMaxDepth) return stop("macro expansion nests too deeply");
    ++depth_;
    bool entered = false;
    if (macro.builtin != Builtin::kNone) {
      entered = expandBuiltin(macro);
    } else if (!macro.functionLike) {
      entered = pushBody(macro);
    } else {
      std::vector<Argument> args;
      ++prevent_;
      const bool called = collectArguments(macro, name, args);
      --prevent_;
      if (called && macro.parameters.empty()) {
        entered = pushBody(macro);
      } else if (called) {
        Frame frame;
        frame.pieces = substitute(macro, args);
        entered = !stopped_;
        if (entered) push(std::move(frame), &macro);
      }
    }
    --depth_;
    return entered;
  }

  bool pushBody(const Macro& macro) {
    Frame frame;
    frame.body = macro.body.data();
    frame.end = macro.body.size();
    push(std::move(frame), &macro);
    return spend(1);
  }

  // GCC's funlike_invocation_p and collect_args: the arguments of a call
  // when a '(' follows the name; else the token read is put back.
  bool collectArguments(const Macro& macro, const Token& name, std::vector<Argument>& args) {
    Piece piece;
    Read r = Read::kPadding;
    Piece padding;
    while ((r = read(piece)) == Read::kPadding) {
      if (padding.pad == Pad::kNone || padding.pad == Pad::kNoSource ||
          (padding.pad == Pad::kUnspaced && piece.pad == Pad::kNoSource)) {
        padding = piece;
      }
    }
    if (r != Read::kToken || !isPunctuator(piece, "(")) {
      // At the end of an argument (not of the line), the padding goes back too.
      Frame back;
      if (padding.pad != Pad::kNone && (r == Read::kToken || frames_.size() > 1)) {
        back.pieces.push_back(padding);
      }
      if (r == Read::kToken) back.pieces.push_back(piece);
      if (!back.pieces.empty()) push(std::move(back), nullptr);
      return false;
    }

    args.emplace_back();
    std::size_t depth = 0;
    for (;;) {
      r = read(piece);
      if (r == Read::kEnd) {
        fail("unterminated argument list invoking macro \"" + std::string(name.text) + "\"");
        return false;
      }
      std::vector<Piece>& arg = args.back().raw;
      if (r == Read::kPadding) {
        if (!arg.empty()) arg.push_back(piece);  // leading padding is dropped
        continue;
      }
      if (isPunctuator(piece, "(")) {
        ++depth;
      } else if (isPunctuator(piece, ")") && depth-- == 0) {
        break;
      } else if (isPunctuator(piece, ",") && depth == 0 &&
                 !(macro.variadic && args.size() == macro.parameters.size())) {
        dropTrailingPadding(arg);
        args.emplace_back();
        continue;
      }
      arg.push_back(piece);
    }
    dropTrailingPadding(args.back().raw);
    return argumentsFit(macro, name, args);
  }

  static void dropTrailingPadding(std::vector<Piece>& arg) {
    while (!arg.empty() && arg.back().pad != Pad::kNone) arg.pop_back();
  }

  bool argumentsFit(const Macro& macro, const Token& name, std::vector<Argument>& args) {
    const std::size_t params = macro.parameters.size();
    std::size_t count = args.size();
    if (count == 1 && params == 0 && args[0].raw.empty()) count = 0;
    // The variadic argument may be left out altogether (C++20, and GNU
    // before).
    const bool restLeftOut = count + 1 == params && macro.variadic;
    if (count != params && !restLeftOut) {
      const std::string macroName = "macro \"" + std::string(name.text) + "\" ";
      fail(count < params ? macroName + "requires " + std::to_string(params) +
                                " arguments, but only " + std::to_string(count) + " given"
                          : macroName + "passed " + std::to_string(count) +
                                " arguments, but takes just " + std::to_string(params));
      return false;
    }
    if (restLeftOut) args.emplace_back();
    // GNU: a lone variadic argument that is empty counts as left out,
    // except in the strict modes (clang leaves it out in those too).
    if (macro.variadic &&
        (restLeftOut || (count == 1 && args[0].raw.empty() && !env_.language.strict))) {
      args.back().omitted = true;
    }
    return true;
  }

  // GCC's expand_arg: the argument fully expanded on its own, as if it were
  // the rest of the line.
  void expandArgument(Argument& arg) {
    if (arg.isExpanded) return;
    arg.isExpanded = true;
    if (arg.raw.empty() || !spend(arg.raw.size())) return;
    Frame frame;
    frame.pieces = arg.raw;
    frame.barrier = true;
    push(std::move(frame), nullptr);
    const std::size_t mine = frames_.size();
    Piece piece;
    while (read(piece) != Read::kEnd) arg.expanded.push_back(piece);
    while (frames_.size() >= mine) pop();
  }

  // GCC's replace_args: the replacement list with the arguments put in,
  // '##' still to do (Piece::pasteLeft), padding where GCC pads.
  std::vector<Piece> substitute(const Macro& macro, std::vector<Argument>& args) {
    std::vector<Piece> out;
    const std::vector<MacroToken>& body = macro.body;
    std::ptrdiff_t vaOptStart = kNull;  // the last piece before __VA_OPT__'s content
    std::size_t vaOptEnd = 0;           // its ')' while within one
    bool vaOptStringize = false;
    for (std::size_t i = 0; i < body.size() && !stopped_; ++i) {
      const MacroToken& src = body[i];
      if (src.parameter == MacroToken::kVaOpt) {
        if (i > 0 && !body[i - 1].pasteLeft) out.push_back(paddingFrom(src.token));
        vaOptStart = static_cast<std::ptrdiff_t>(out.size()) - 1;
        vaOptEnd = src.vaOptEnd;
        vaOptStringize = src.stringize;
        // The content counts when the variadic argument expands to tokens.
        Argument& rest = args.back();
        expandArgument(rest);
        bool present = false;
        for (const Piece& p : rest.expanded) present = present || p.pad == Pad::kNone;
        i = present ? i + 1 : vaOptEnd - 1;
      } else if (vaOptEnd != 0 && i == vaOptEnd) {
        endVaOpt(out, src, vaOptStart, vaOptStringize);
        vaOptStart = kNull;
        vaOptEnd = 0;
      } else if (src.parameter == MacroToken::kNoParameter) {
        if (spend(1)) out.push_back(Piece{src.token, src.pasteLeft});
      } else {
        substituteArgument(macro, args, i, vaOptStart, out);
      }
    }
    return out;
  }

  void substituteArgument(const Macro& macro, std::vector<Argument>& args, std::size_t i,
                          std::ptrdiff_t vaOptStart, std::vector<Piece>& out) {
    const MacroToken& src = macro.body[i];
    const bool afterPaste = i > 0 && macro.body[i - 1].pasteLeft;
    const auto last = [&out] { return static_cast<std::ptrdiff_t>(out.size()) - 1; };
    const bool atVaOptStart = vaOptStart != kNull && last() == vaOptStart;
    Argument& arg = args[src.parameter];
    const std::vector<Piece>* from = &arg.raw;
    std::vector<Piece> stringized;
    std::size_t skip = 0;
    std::ptrdiff_t pasteFlag = kNull;  // the piece whose pasteLeft becomes src's
    if (src.stringize) {
      stringized.push_back(stringize(arg.raw.data(), arg.raw.size()));
      from = &stringized;
    } else if (afterPaste && !src.pasteLeft && !out.empty()) {
      // The right operand of '##'.
      if (isPunctuator(out.back(), ",") && macro.variadic &&
          src.parameter + 1 == macro.parameters.size()) {
        // GNU: ", ## __VA_ARGS__" drops the comma when the rest is left
        // out, and pastes nothing.
        if (arg.omitted) {
          out.pop_back();
        } else {
          pasteFlag = last();
        }
      } else if (arg.raw.empty() && last() != vaOptStart) {
        pasteFlag = last();
      }
    } else if (!afterPaste && !src.pasteLeft) {
      expandArgument(arg);
      from = &arg.expanded;
      while (atVaOptStart && skip < from->size() && (*from)[skip].pad != Pad::kNone) ++skip;
    }
    if (mode_ != ExpansionMode::kCondition && i > 0 && !afterPaste && !atVaOptStart) {
      out.push_back(paddingFrom(src.token));
    }
    if (from->size() > skip) {
      if (!spend(from->size() - skip)) return;
      out.insert(out.end(), from->begin() + static_cast<std::ptrdiff_t>(skip), from->end());
      if (src.pasteLeft) pasteFlag = last();
    }
    if (mode_ == ExpansionMode::kText && !src.pasteLeft) out.push_back(avoidPaste());
    if (pasteFlag != kNull) out[static_cast<std::size_t>(pasteFlag)].pasteLeft = src.pasteLeft;
  }

  // The ')' of a __VA_OPT__: its content, already in `out` after `start`,
  // stringized or marked for pasting as GCC does.
  void endVaOpt(std::vector<Piece>& out, const MacroToken& close, std::ptrdiff_t start,
                bool stringizeIt) {
    const auto last = [&out] { return static_cast<std::ptrdiff_t>(out.size()) - 1; };
    std::ptrdiff_t pasteFlag = last();
    if (stringizeIt) {
      const std::size_t first = static_cast<std::size_t>(start + 1);
      const std::vector<Piece> content = pasteWithin(out.data() + first, out.size() - first);
      out.resize(first);
      Piece string = stringize(content.data(), content.size());
      string.pasteLeft = close.pasteLeft;
      out.push_back(string);
      return;
    }
    // Nothing in it: the '##' before it has nothing to paste.
    if (start != kNull && pasteFlag == start)
      out[static_cast<std::size_t>(start)].pasteLeft = false;
    if (!close.pasteLeft) {
      out.push_back(avoidPaste());
      return;
    }
    while (pasteFlag != kNull && pasteFlag != start &&
           out[static_cast<std::size_t>(pasteFlag)].pad == Pad::kNoSource) {
      out.pop_back();
      pasteFlag = last();
    }
    if (pasteFlag != kNull && out[static_cast<std::size_t>(pasteFlag)].pad == Pad::kNone) {
      out[static_cast<std::size_t>(pasteFlag)].pasteLeft = true;
    }
  }

  // The pieces with their '##' done, for stringizing a __VA_OPT__.
  std::vector<Piece> pasteWithin(const Piece* pieces, std::size_t count) {
    std::vector<Piece> result;
    for (std::size_t i = 0; i < count; ++i) {
      Piece token = pieces[i];
      while (token.pasteLeft) {
        if (i + 1 == count) {
          token.pasteLeft = false;
        } else if (!paste(token, pieces[++i])) {
          --i;
        } else {
          token.pasteLeft = pieces[i].pasteLeft;
        }
      }
      result.push_back(token);
    }
    return result;
  }

  // GCC's stringify_arg.
  Piece stringize(const Piece* pieces, std::size_t count) {
    std::string text = "\"";
    Pad source = Pad::kNoSource;  // of the padding before the next token, if any
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const Piece& piece = pieces[i];
      if (piece.pad != Pad::kNone) {
        if (source == Pad::kNoSource || (source == Pad::kUnspaced && piece.pad == Pad::kNoSource)) {
          source = piece.pad;
        }
        continue;
      }
      const bool space =
          source == Pad::kNoSource ? piece.token.spaceBefore : source == Pad::kSpaced;
      if (text.size() > 1 && space) text += ' ';
      source = Pad::kNoSource;
      const TokenKind kind = piece.token.kind;
      if (kind == TokenKind::kString || kind == TokenKind::kCharacter) {
        appendQuoted(text, piece.token.text);
      } else {
        text += piece.token.text;
      }
      const bool backslash = kind == TokenKind::kOther && piece.token.text.front() == '\\';
      backslashes = backslash ? backslashes + 1 : 0;
    }
    // A lone '\' at the end would escape the closing quote: GCC drops it.
    if (backslashes % 2 != 0) text.pop_back();
    text += '"';
    spendBytes(text.size());
    Piece result;
    result.token.kind = TokenKind::kString;
    result.token.text = arena_.keep(std::move(text));
    return result;
  }

  // GCC's paste_tokens: `lhs` becomes the single token the two spellings
  // make when lexed again; false, with `lhs` kept, when they make no single
  // token.
  bool paste(Piece& lhs, const Piece& rhs) {
    std::string text(lhs.token.text);
    // A '/' joined to a token would start a comment: the compiler keeps a
    // space between them, and the paste fails.
    if (isPunctuator(lhs.token, "/") && !isPunctuator(rhs, "=")) text += ' ';
    if (rhs.pad == Pad::kNone) text += rhs.token.text;
    lhs.pasteLeft = false;
    if (!spendBytes(text.size())) return false;
    const Language& language = env_.language;
    const Tokens lexed = tokenize(text, false, language.dialect);
    const bool u8Character = lexed.size() == 1 && lexed[0].kind == TokenKind::kCharacter &&
                             text.compare(0, 2, "u8") == 0;
    if (lexed.size() == 1 && lexed[0].text.size() == text.size() &&
        (language.u8Characters || !u8Character)) {
      lhs.token.kind = lexed[0].kind;
      lhs.token.text = arena_.keep(std::move(text));
      lhs.token.noExpand = false;
      return true;
    }
    fail("pasting \"" + std::string(lhs.token.text) + "\" and \"" + std::string(rhs.token.text) +
         "\" does not give a valid preprocessing token");
    return false;
  }

  // GCC's paste_all_tokens: `lhs`, just taken from the top frame, pasted
  // with the tokens after it; the result goes on the stack on its own.
  void pasteAll(Piece lhs) {
    Frame& frame = frames_.back();
    while (lhs.pasteLeft && frame.next < frame.end) {
      const Piece rhs = frame.take();
      if (rhs.pad != Pad::kNone) {
        lhs.pasteLeft = false;
      } else if (!paste(lhs, rhs)) {
        --frame.next;  // read next, as a token of its own
      } else {
        lhs.pasteLeft = rhs.pasteLeft;
      }
    }
    lhs.pasteLeft = false;
    Frame result;
    result.pieces.push_back(lhs);
    push(std::move(result), nullptr);
  }

  // A built-in's value: one token, lexed afresh (no white space before it).
  bool expandBuiltin(const Macro& macro) {
    const BuiltinContext& context = env_.builtins;
    Token token;
    token.kind = TokenKind::kNumber;
    std::string text;
    switch (macro.builtin) {
      case Builtin::kNone:
      case Builtin::kPragma:
        return false;
      case Builtin::kFile:
        text = quoted(context.file);
        break;
      case Builtin::kFileName:
        text = quoted(context.file.substr(context.file.find_last_of(kDirectorySeparators) + 1));
        break;
      case Builtin::kBaseFile:
        text = quoted(context.baseFile);
        break;
      case Builtin::kLine:
        text = std::to_string(context.line);
        break;
      case Builtin::kCounter:
        text = std::to_string(env_.builtins.counter++);
        break;
      case Builtin::kIncludeLevel:
        text = std::to_string(context.includeLevel);
        break;
      // What GCC gives when it cannot read the clock: a file's meaning
      // never depends on the time.
      case Builtin::kDate:
        text = "\"??? ?? ????\"";
        break;
      case Builtin::kTime:
        text = "\"??:??:??\"";
        break;
      case Builtin::kTimestamp:
        text = "\"??? ??? ?? ??:??:?? ????\"";
        break;
      case Builtin::kHasInclude:
      case Builtin::kHasIncludeNext:
        text = hasInclude(macro) ? "1" : "0";
        break;
      default:
        text = std::to_string(compilerValue(macro));
        break;
    }
    if (!text.empty() && text.front() == '"') token.kind = TokenKind::kString;
    token.text = arena_.keep(std::move(text));
    Frame frame;
    frame.pieces.push_back(Piece{token});
    push(std::move(frame), nullptr);
    return true;
  }

  // GCC's builtin_has_include: __has_include ( "name" ), ( <name> ) or a
  // macro expanding to either.
  bool hasInclude(const Macro& op) {
    const std::string opName = "\"" + std::string(op.name) + "\"";
    Token token;
    bool more = next(token);
    const bool paren = more && isPunctuator(token, "(");
    if (paren) {
      more = next(token);
    } else {
      fail("missing '(' before " + opName + " operand");
    }
    std::string name;
    bool found = false;
    bool angled = !isPlainString(token);
    if (more && (isPlainString(token) || token.kind == TokenKind::kHeaderName)) {
      name = withoutQuotes(token.text);
      found = true;
    } else if (more && isPunctuator(token, "<")) {
      bool closed = false;
      name = joinAngled([this](Token& t) { return next(t); }, closed);
      if (!closed) fail("missing terminating > character");
      found = true;
    } else {
      fail("operator " + opName + " requires a header-name");
    }
    if (paren && !(next(token) && isPunctuator(token, ")"))) {
      fail("missing ')' after " + opName + " operand");
    }
    if (!found || skip_ || !env_.questions.hasInclude) return false;
    return env_.questions.hasInclude(name, angled, op.builtin == Builtin::kHasIncludeNext);
  }

  // __has_attribute (name), (scope::name), __has_warning ("-Wx") and the
  // like, answered by the compiler through Questions::compilerValue.
  std::intmax_t compilerValue(const Macro& op) {
    const std::string opName = "\"" + std::string(op.name) + "\"";
    Token token;
    if (!next(token) || !isPunctuator(token, "(")) {
      fail("missing '(' after " + opName);
      return 0;
    }
    std::string operand;
    bool more = next(token);
    if (op.builtin == Builtin::kHasWarning ? more && isPlainString(token)
                                           : more && token.kind == TokenKind::kIdentifier) {
      operand = token.text;
      more = next(token);
      if (more && scopes(op.builtin) && readScope(token)) {
        if (next(token) && token.kind == TokenKind::kIdentifier) {
          operand += "::" + std::string(token.text);
        } else {
          fail("attribute identifier required after scope");
          operand.clear();
        }
        more = next(token);
      }
    } else {
      fail("macro " + opName + " requires an identifier");
    }
    // Up to the ')' that closes the operand, so that an error costs no
    // more errors after it.
    for (std::size_t depth = 0; more && !(isPunctuator(token, ")") && depth == 0);
         more = next(token)) {
      if (!operand.empty() || error_.empty()) fail("missing ')' after " + opName + " operand");
      operand.clear();
      depth += isPunctuator(token, "(") ? 1 : 0;
      depth -= isPunctuator(token, ")") ? 1 : 0;
    }
    if (!more) fail("missing ')' after " + opName + " operand");
    if (operand.empty() || skip_ || !env_.questions.compilerValue) return 0;
    const std::optional<std::intmax_t> value = env_.questions.compilerValue(op.builtin, operand);
    if (!value) unanswered_ = true;
    return value.value_or(0);
  }

  static bool scopes(Builtin op) {
    return op == Builtin::kHasAttribute || op == Builtin::kHasCppAttribute ||
           op == Builtin::kHasCAttribute;
  }

  // A "::" (C spells it as two ':'), `token` being the first of it.
  bool readScope(const Token& token) {
    if (isPunctuator(token, "::")) return true;
    if (!isPunctuator(token, ":")) return false;
    Token second;
    return next(second) && isPunctuator(second, ":") && !second.spaceBefore;
  }

  Environment& env_;
  const ExpansionMode mode_;
  TextArena& arena_;
  std::vector<Frame> frames_;
  std::unordered_set<const Macro*> disabled_;
  const std::size_t maxTokens_;
  std::size_t tokens_ = 0;
  std::size_t bytes_ = 0;
  int depth_ = 0;
};

MacroExpander::MacroExpander(const Tokens& line, Environment& env, ExpansionMode mode,
                             TextArena& arena)
    : impl_(std::make_unique<Impl>(line, env, mode, arena)) {}

MacroExpander::~MacroExpander() = default;

MacroExpander::Read MacroExpander::read(Token& token, bool expand) {
  if (!expand) ++impl_->prevent_;
  Piece piece;
  const Read r = impl_->read(piece);
  if (!expand) --impl_->prevent_;
  if (r == Read::kToken) token = piece.token;
  return r;
}

bool MacroExpander::next(Token& token) { return impl_->next(token); }
void MacroExpander::setSkipEvaluation(bool skip) { impl_->skip_ = skip; }
const std::string& MacroExpander::error() const { return impl_->error_; }
void MacroExpander::setError(std::string message) { impl_->fail(std::move(message)); }
bool MacroExpander::unanswered() const { return impl_->unanswered_; }
bool MacroExpander::stopped() const { return impl_->stopped_; }

Expansion expandLine(const Tokens& line, Environment& env, ExpansionMode mode, TextArena& arena) {
  Expansion expansion;
  MacroExpander expander(line, env, mode, arena);
  Token token;
  while (expander.next(token)) expansion.tokens.push_back(token);
  expansion.error = expander.error();
  return expansion;
}

IncludeTarget expandInclude(const Tokens& operands, Environment& env, std::string_view directive) {
  IncludeTarget target;
  const std::string expects = "#" + std::string(directive) + " expects \"FILENAME\" or <FILENAME>";
  if (!operands.empty() &&
      (isPlainString(operands[0]) || operands[0].kind == TokenKind::kHeaderName)) {
    target.name = withoutQuotes(operands[0].text);
    target.angled = operands[0].kind == TokenKind::kHeaderName;
  } else {
    TextArena arena;
    MacroExpander expander(operands, env, ExpansionMode::kInclude, arena);
    Token token;
    const bool any = expander.next(token);
    if (any && isPlainString(token)) {
      target.name = withoutQuotes(token.text);
    } else if (any && isPunctuator(token, "<")) {
      bool closed = false;
      target.name = joinAngled([&expander](Token& t) { return expander.next(t); }, closed);
      target.angled = true;
      if (!closed) expander.setError("missing terminating > character");
    } else {
      expander.setError(expects);
    }
    target.error = expander.error();
    if (!target.error.empty() && !any) target.name.clear();
  }
  if (target.name.empty() && target.error.empty()) {
    target.error = "empty filename in #" + std::string(directive);
  }
  return target;
}

Language languageOf(const Dialect& dialect, const MacroTable& predefined) {
  const auto defined = [&predefined](std::string_view name) {
    return predefined.peek(name) != nullptr;
  };
  // The leading digits of a macro defined as a number: 201703 of 201703L.
  const auto number = [&predefined](std::string_view name) {
    const MacroTable::Definition& macro = predefined.peek(name);
    long value = 0;
    if (macro == nullptr || macro->body.size() != 1) return value;
    for (const char c : macro->body[0].token.text) {
      if (c < '0' || c > '9' || value > 100000000) break;
      value = value * 10 + (c - '0');
    }
    return value;
  };
  Language language;
  language.dialect = dialect;
  language.strict = defined("__STRICT_ANSI__");
  language.u8Characters =
      dialect.cplusplus ? number("__cplusplus") >= 201703 : number("__STDC_VERSION__") > 201710;
  language.charIsUnsigned = defined("__CHAR_UNSIGNED__");
  if (const long bits = number("__WCHAR_WIDTH__"); bits > 0 && bits <= 32) {
    language.wcharBits = static_cast<int>(bits);
  }
  language.wcharIsUnsigned = defined("__WCHAR_UNSIGNED__");
  return language;
}
