#include "preprocess/condition.h"

#include <cstdint>
#include <string_view>

#include "preprocess/literal_value.h"
#include "preprocess/tokenize.h"

namespace {

// The operator a token stands for in an expression, or "" for a value
// (and for anything else). C++ spells some operators as words.
std::string_view operatorOf(const Token& token, bool cplusplus) {
  if (token.kind == TokenKind::kPunctuator) {
    const char first = token.text[0];
    return first == '%' || first == '<' || first == ':' ? digraphMeaning(token.text) : token.text;
  }
  if (token.kind != TokenKind::kIdentifier || !cplusplus) return {};
  struct Name {
    std::string_view word, op;
  };
  constexpr Name kNames[] = {{"and", "&&"},    {"or", "||"},    {"not", "!"},    {"compl", "~"},
                             {"bitand", "&"},  {"bitor", "|"},  {"xor", "^"},    {"not_eq", "!="},
                             {"and_eq", "&="}, {"or_eq", "|="}, {"xor_eq", "^="}};
  for (const Name& n : kNames) {
    if (token.text == n.word) return n.op;
  }
  return {};
}

// Binding strength of a binary operator; 0 for anything else.
int precedence(std::string_view op) {
  if (op.empty() || op.size() > 2) return 0;
  const char second = op.size() == 2 ? op[1] : '\0';
  switch (op[0]) {
    case '*':
    case '/':
    case '%':
      return second == '\0' ? 10 : 0;
    case '+':
    case '-':
      return second == '\0' ? 9 : 0;
    case '<':
    case '>':
      return second == op[0] ? 8 : second == '\0' || second == '=' ? 7 : 0;
    case '=':
    case '!':
      return second == '=' ? 6 : 0;
    case '&':
      return second == '\0' ? 5 : second == '&' ? 2 : 0;
    case '^':
      return second == '\0' ? 4 : 0;
    case '|':
      return second == '\0' ? 3 : second == '|' ? 1 : 0;
    default:
      return 0;
  }
}

bool isExpressionOperator(std::string_view op) {
  return precedence(op) != 0 || op == "!" || op == "~" || op == "?" || op == ":" || op == "," ||
         op == "(" || op == ")" || op == "#";
}

// GCC has no bound; real expressions come nowhere near it.
constexpr int kMaxNesting = 256;

bool isNegative(IfValue v) { return !v.isUnsigned && (v.bits >> 63) != 0; }

// GCC's num_div_op: the magnitudes divided, the signs put back; a division
// by zero gives the left operand's magnitude.
IfValue divide(IfValue a, IfValue b, bool remainder, bool& byZero) {
  const bool isUnsigned = a.isUnsigned || b.isUnsigned;
  const bool lhsNegative = !isUnsigned && isNegative(a);
  const bool rhsNegative = !isUnsigned && isNegative(b);
  const std::uint64_t x = lhsNegative ? 0 - a.bits : a.bits;
  const std::uint64_t y = rhsNegative ? 0 - b.bits : b.bits;
  byZero = y == 0;
  if (byZero) return {x, isUnsigned};
  if (remainder) return {lhsNegative ? 0 - x % y : x % y, isUnsigned};
  return {lhsNegative != rhsNegative ? 0 - x / y : x / y, isUnsigned};
}

// GCC's shifts: a negative count shifts the other way, a count past the
// width gives 0 (or all ones for a negative value shifted right).
IfValue shift(IfValue a, IfValue b, bool left) {
  std::uint64_t n = b.bits;
  if (isNegative(b)) {
    left = !left;
    n = 0 - n;
  }
  if (left) return {n >= 64 ? 0 : a.bits << n, a.isUnsigned};
  const std::uint64_t fill = isNegative(a) ? ~std::uint64_t{0} : 0;
  if (n >= 64) return {fill, a.isUnsigned};
  const std::uint64_t high = n == 0 ? 0 : fill << (64 - n);
  return {a.bits >> n | high, a.isUnsigned};
}

bool less(IfValue a, IfValue b) {
  if (a.isUnsigned || b.isUnsigned) return a.bits < b.bits;
  return static_cast<std::int64_t>(a.bits) < static_cast<std::int64_t>(b.bits);
}

IfValue truth(bool value) { return {value ? 1u : 0u, false}; }

// Recursive descent over tokens read lazily from the expander, as GCC's
// parser reads them: what it has seen decides what is skipped, and
// `defined` reads its operand unexpanded.
class Parser {
 public:
  Parser(MacroExpander& in, const Environment& env)
      : in_(in), env_(env), cplusplus_(env.language.dialect.cplusplus) {}

  ConditionResult run() {
    advance();
    if (atEnd_) syntax("#if with no expression");
    const IfValue value = comma();
    if (!failed_ && !atEnd_) unexpected();
    ConditionResult result;
    result.value = !failed_ && !in_.stopped() && value.bits != 0;
    result.error = in_.error();
    result.unanswered = in_.unanswered();
    return result;
  }

 private:
  void advance() {
    previous_ = op_;
    atEnd_ = failed_ || !in_.next(token_);
    op_ = atEnd_ ? std::string_view() : operatorOf(token_, cplusplus_);
  }

  void syntax(std::string message) {
    if (failed_) return;
    in_.setError(std::move(message));
    failed_ = true;
    atEnd_ = true;
  }

  void skip(bool skipping, int delta) {
    if (!skipping) return;
    skipping_ += delta;
    in_.setSkipEvaluation(skipping_ > 0);
  }

  std::string spelling() const { return "\"" + std::string(token_.text) + "\""; }

  // A token where an operator (or the end) belongs.
  void unexpected() {
    if (op_ == ")") return syntax("missing '(' in expression");
    if (op_ == ":") return syntax("':' without preceding '?'");
    if (op_.empty() || op_ == "(" || op_ == "!" || op_ == "~" || op_ == "#") {
      if (token_.kind == TokenKind::kIdentifier || token_.kind == TokenKind::kNumber ||
          token_.kind == TokenKind::kCharacter || !op_.empty()) {
        return syntax("missing binary operator before token " + spelling());
      }
    }
    syntax("token " + spelling() + " is not valid in preprocessor expressions");
  }

  // A token, or the end, where a value belongs.
  void missingValue() {
    const std::string after = "operator '" + std::string(previous_) + "' has no right operand";
    if (atEnd_) return syntax(previous_ == "(" ? "missing ')' in expression" : after);
    if (op_ == ")") {
      return syntax(previous_ == "("    ? "missing expression between '(' and ')'"
                    : previous_.empty() ? "missing '(' in expression"
                                        : after);
    }
    if (!isExpressionOperator(op_)) {
      return syntax("token " + spelling() + " is not valid in preprocessor expressions");
    }
    syntax(previous_.empty() ? "operator '" + std::string(op_) + "' has no left operand" : after);
  }

  IfValue comma() {
    IfValue value = conditional();
    while (!failed_ && op_ == ",") {
      advance();
      value = conditional();
    }
    return value;
  }

  // Each level of parentheses, operators and ?: costs some stack.
  class Nesting {
   public:
    explicit Nesting(Parser& parser) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting) parser_.syntax("#if expression nests too deeply");
    }
    ~Nesting() { --parser_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& parser_;
  };

  IfValue conditional() {
    const Nesting nesting(*this);
    const IfValue condition = binary(1);
    if (failed_ || op_ != "?") return condition;
    const bool taken = condition.bits != 0;
    skip(!taken, 1);
    advance();
    const IfValue then = comma();
    skip(!taken, -1);
    if (failed_) return {};
    if (op_ != ":") {
      if (atEnd_ || op_ == ")") syntax("'?' without following ':'");
      unexpected();
      return {};
    }
    skip(taken, 1);
    advance();
    const IfValue otherwise = conditional();
    skip(taken, -1);
    IfValue result = taken ? then : otherwise;
    result.isUnsigned = then.isUnsigned || otherwise.isUnsigned;
    return result;
  }

  IfValue binary(int minimum) {
    IfValue lhs = unary();
    for (;;) {
      const std::string_view op = op_;
      const int level = precedence(op);
      if (failed_ || level == 0 || level < minimum) return lhs;
      // The right operand of && with 0 and of || with non-zero is skipped.
      const bool logical = op == "&&" || op == "||";
      const bool skipped = logical && (op == "&&") == (lhs.bits == 0);
      skip(skipped, 1);
      advance();
      const IfValue rhs = binary(level + 1);
      skip(skipped, -1);
      if (op == "&&") {
        lhs = truth(lhs.bits != 0 && rhs.bits != 0);
      } else if (op == "||") {
        lhs = truth(lhs.bits != 0 || rhs.bits != 0);
      } else {
        lhs = apply(op, lhs, rhs);
      }
    }
  }

  IfValue apply(std::string_view op, IfValue a, IfValue b) {
    const bool isUnsigned = a.isUnsigned || b.isUnsigned;
    if (op == "/" || op == "%") {
      bool byZero = false;
      const IfValue result = divide(a, b, op == "%", byZero);
      if (byZero && skipping_ == 0) in_.setError("division by zero in #if");
      return result;
    }
    if (op == "<<" || op == ">>") return shift(a, b, op == "<<");
    if (op == "<") return truth(less(a, b));
    if (op == ">") return truth(less(b, a));
    if (op == "<=") return truth(!less(b, a));
    if (op == ">=") return truth(!less(a, b));
    if (op == "==") return truth(a.bits == b.bits);
    if (op == "!=") return truth(a.bits != b.bits);
    if (op == "*") return {a.bits * b.bits, isUnsigned};
    if (op == "+") return {a.bits + b.bits, isUnsigned};
    if (op == "-") return {a.bits - b.bits, isUnsigned};
    if (op == "&") return {a.bits & b.bits, isUnsigned};
    if (op == "^") return {a.bits ^ b.bits, isUnsigned};
    return {a.bits | b.bits, isUnsigned};
  }

  IfValue unary() {
    const Nesting nesting(*this);
    const std::string_view op = op_;
    if (failed_ || (op != "+" && op != "-" && op != "~" && op != "!")) return primary();
    advance();
    const IfValue v = unary();
    if (op == "-") return {0 - v.bits, v.isUnsigned};
    if (op == "~") return {~v.bits, v.isUnsigned};
    if (op == "!") return truth(v.bits == 0);
    return v;
  }

  IfValue primary() {
    if (failed_) return {};
    if (op_ == "(") {
      advance();
      if (op_ == ")") syntax("missing expression between '(' and ')'");
      const IfValue value = comma();
      if (failed_) return {};
      if (op_ != ")") {
        if (atEnd_) syntax("missing ')' in expression");
        unexpected();
        return {};
      }
      advance();
      return value;
    }
    if (op_ == "#") return assertion();
    if (atEnd_ || !op_.empty()) {
      missingValue();
      return {};
    }
    IfValue value;
    switch (token_.kind) {
      case TokenKind::kNumber:
        value = literal(numberValue(token_.text, env_.language));
        break;
      case TokenKind::kCharacter:
        if (!characterAllowed()) return {};
        value = literal(characterValue(token_.text, env_.language));
        break;
      case TokenKind::kIdentifier:
        if (token_.text == "defined") return defined();
        value = truth(cplusplus_ && token_.text == "true");
        break;
      default:
        unexpected();
        return {};
    }
    advance();
    return value;
  }

  IfValue literal(const LiteralValue& literal) {
    if (!literal.error.empty()) in_.setError(literal.error);
    return literal.value;
  }

  // A u8'' where the language has none is u8 and a literal; a literal with
  // a user-defined suffix is no value.
  bool characterAllowed() {
    const std::string_view text = token_.text;
    if (text.back() != '\'') {
      syntax("token " + spelling() + " is not valid in preprocessor expressions");
      return false;
    }
    if (!env_.language.u8Characters && text.compare(0, 2, "u8") == 0) {
      syntax("missing binary operator before token \"" + std::string(text.substr(2)) + "\"");
      return false;
    }
    return true;
  }

  // GCC's parse_defined: `defined X` or `defined ( X )`, read unexpanded
  // and without skipping padding, so that GCC (not clang) rejects
  // `defined __VA_OPT__(X)`.
  IfValue defined() {
    using Read = MacroExpander::Read;
    Token operand;
    Read r = in_.read(operand, false);
    const bool paren = r == Read::kToken && operatorOf(operand, cplusplus_) == "(";
    if (paren) r = in_.read(operand, false);
    IfValue value;
    if (r == Read::kToken && operand.kind == TokenKind::kIdentifier &&
        operatorOf(operand, cplusplus_).empty()) {
      Token close;
      if (paren &&
          (in_.read(close, false) != Read::kToken || operatorOf(close, cplusplus_) != ")")) {
        in_.setError("missing ')' after \"defined\"");
      } else {
        value = truth(env_.macros.find(operand.text) != nullptr);
      }
    } else {
      in_.setError("operator \"defined\" requires an identifier");
    }
    op_ = {};
    advance();
    return value;
  }

  // GCC's #predicate(answer) tests assertions (clang has none), which the
  // scan does not keep: taken as false.
  IfValue assertion() {
    advance();
    if (atEnd_ || token_.kind != TokenKind::kIdentifier) {
      syntax("assertion without predicate");
      return {};
    }
    in_.setError("assertions are not evaluated: #" + std::string(token_.text) + " taken as false");
    advance();
    for (int depth = 0; op_ == "(" || depth > 0;) {
      if (atEnd_) return {};
      depth += op_ == "(" ? 1 : op_ == ")" ? -1 : 0;
      advance();
    }
    return {};
  }

  MacroExpander& in_;
  const Environment& env_;
  const bool cplusplus_;
  Token token_;
  std::string_view op_;        // the operator token_ stands for
  std::string_view previous_;  // the operator read before it, if it was one
  bool atEnd_ = false;
  bool failed_ = false;  // a syntax error: GCC stops reading, and the group is not taken
  int skipping_ = 0;
  int nesting_ = 0;
};

}  // namespace

ConditionResult evaluateCondition(const Tokens& expression, Environment& env) {
  TextArena arena;
  MacroExpander in(expression, env, ExpansionMode::kCondition, arena);
  return Parser(in, env).run();
}
