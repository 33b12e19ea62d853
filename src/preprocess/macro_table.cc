#include "preprocess/macro_table.h"

#include <utility>

#include "preprocess/tokenize.h"

namespace {

// C++ spells some operators as words; they can never name a macro there.
bool isOperatorName(std::string_view name) {
  constexpr std::string_view kNames[] = {"and",    "and_eq", "bitand", "bitor", "compl", "not",
                                         "not_eq", "or",     "or_eq",  "xor",   "xor_eq"};
  for (std::string_view n : kNames) {
    if (name == n) return true;
  }
  return false;
}

bool isPunctuator(const Token& token, std::string_view meaning) {
  return token.kind == TokenKind::kPunctuator &&
         (token.text == meaning || digraphMeaning(token.text) == meaning);
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The texts a definition keeps go into its own storage, reserved up front
// so that views into it stay valid.
std::string_view keep(Macro& macro, std::string_view text) {
  const std::size_t at = macro.spellings.size();
  macro.spellings += text;
  return std::string_view(macro.spellings).substr(at, text.size());
}

// Reads the parameter list after "NAME(", the compiler's way; `at` ends
// just past its ')'. Returns an error, or "".
std::string readParameters(const Tokens& tokens, std::size_t& at,
                           std::vector<std::string_view>& names, bool& variadic) {
  bool expectName = true;  // nothing yet, or a ',' last
  for (;; ++at) {
    if (at == tokens.size()) {
      return expectName ? "expected parameter name before end of line"
                        : "expected ')' before end of line";
    }
    const Token& t = tokens[at];
    if (expectName && t.kind == TokenKind::kIdentifier) {
      for (std::string_view n : names) {
        if (n == t.text) return "duplicate macro parameter " + quoted(t.text);
      }
      names.push_back(t.text);
      expectName = false;
    } else if (isPunctuator(t, "...") && (expectName || !names.empty())) {
      if (expectName) names.push_back("__VA_ARGS__");
      variadic = true;
      if (at + 1 == tokens.size() || !isPunctuator(tokens[at + 1], ")")) {
        return "expected ')' after \"...\"";
      }
      at += 2;
      return "";
    } else if (isPunctuator(t, ")") && (!expectName || names.empty())) {
      ++at;
      return "";
    } else if (expectName) {
      return "expected parameter name, found " + quoted(t.text);
    } else if (isPunctuator(t, ",")) {
      expectName = true;
    } else {
      return "expected ',' or ')', found " + quoted(t.text);
    }
  }
}

// Turns the replacement list into MacroTokens: parameters found, '#' and
// '##' folded into the tokens they apply to, __VA_OPT__ checked as the
// compiler checks it. Returns an error, or "".
class BodyReader {
 public:
  explicit BodyReader(Macro& macro) : macro_(macro) {}

  std::string read(const Tokens& tokens, std::size_t from) {
    for (std::size_t i = from; i < tokens.size(); ++i) {
      std::string error = add(tokens[i]);
      if (!error.empty()) return error;
    }
    if (stringizeNext_) return kHashError;
    if (pasteNext_) return "'##' cannot appear at either end of a macro expansion";
    if (!vaOpts_.empty()) return "unterminated __VA_OPT__";
    if (!macro_.body.empty()) macro_.body.front().token.spaceBefore = false;
    return "";
  }

 private:
  static constexpr const char* kHashError = "'#' is not followed by a macro parameter";
  static constexpr const char* kVaOptPasteError = "'##' cannot appear at either end of __VA_OPT__";

  struct OpenVaOpt {
    std::size_t index;  // of the __VA_OPT__ in the body
    int depth;          // parentheses open inside it
  };

  std::string add(const Token& token) {
    const bool vaOptOpening = vaOptExpectsParen_;
    if (vaOptOpening && !isPunctuator(token, "(")) {
      return "__VA_OPT__ must be followed by an open parenthesis";
    }
    vaOptExpectsParen_ = false;
    if (isPunctuator(token, "##")) {
      if (stringizeNext_) return kHashError;
      if (macro_.body.empty() || pasteNext_) {
        // A second '##' in a row is spelling only, as for the compiler.
        if (macro_.body.empty()) return "'##' cannot appear at either end of a macro expansion";
        return "";
      }
      if (!vaOpts_.empty() && lastOpenedVaOpt_) return kVaOptPasteError;
      macro_.body.back().pasteLeft = true;
      pasteNext_ = true;
      return "";
    }
    const bool afterPaste = pasteNext_;
    pasteNext_ = false;
    lastOpenedVaOpt_ = false;
    if (macro_.functionLike && isPunctuator(token, "#") && !stringizeNext_) {
      stringizeNext_ = true;
      hashSpace_ = token.spaceBefore;
      return "";
    }

    MacroToken& m = macro_.body.emplace_back();
    m.token = token;
    m.token.text = keep(macro_, token.text);
    m.token.noExpand = false;
    if (token.kind == TokenKind::kIdentifier) m.parameter = parameterIndex(token.text);
    if (stringizeNext_) {
      stringizeNext_ = false;
      if (m.parameter == MacroToken::kNoParameter) return kHashError;
      m.stringize = true;
      m.spacedFromHash = m.token.spaceBefore;
      m.token.spaceBefore = hashSpace_;
    }
    if (m.parameter == MacroToken::kVaOpt) {
      if (!vaOpts_.empty()) return "__VA_OPT__ may not appear in a __VA_OPT__";
      vaOpts_.push_back({macro_.body.size() - 1, 0});
      vaOptExpectsParen_ = true;
    } else if (!vaOpts_.empty() && isPunctuator(token, "(")) {
      lastOpenedVaOpt_ = ++vaOpts_.back().depth == 1;
    } else if (!vaOpts_.empty() && isPunctuator(token, ")") && --vaOpts_.back().depth == 0) {
      if (afterPaste) return kVaOptPasteError;
      macro_.body[vaOpts_.back().index].vaOptEnd =
          static_cast<std::uint32_t>(macro_.body.size() - 1);
      vaOpts_.pop_back();
    }
    return "";
  }

  std::uint32_t parameterIndex(std::string_view name) const {
    if (!macro_.functionLike) return MacroToken::kNoParameter;
    for (std::size_t i = 0; i < macro_.parameters.size(); ++i) {
      if (macro_.parameters[i] == name) return static_cast<std::uint32_t>(i);
    }
    // Only a variadic macro knows __VA_OPT__; elsewhere it is a name.
    return macro_.variadic && name == "__VA_OPT__" ? MacroToken::kVaOpt : MacroToken::kNoParameter;
  }

  Macro& macro_;
  std::vector<OpenVaOpt> vaOpts_;
  bool vaOptExpectsParen_ = false;
  bool lastOpenedVaOpt_ = false;  // the last token was the '(' right after __VA_OPT__
  bool stringizeNext_ = false;
  bool hashSpace_ = false;
  bool pasteNext_ = false;
};

std::shared_ptr<Macro> builtinMacro(std::string_view name, Builtin builtin) {
  auto macro = std::make_shared<Macro>();
  macro->spellings.reserve(name.size());
  macro->name = keep(*macro, name);
  macro->builtin = builtin;
  return macro;
}

}  // namespace

bool Macro::operator==(const Macro& other) const {
  if (name != other.name || builtin != other.builtin || functionLike != other.functionLike ||
      variadic != other.variadic || parameters != other.parameters ||
      body.size() != other.body.size()) {
    return false;
  }
  for (std::size_t i = 0; i < body.size(); ++i) {
    const MacroToken& a = body[i];
    const MacroToken& b = other.body[i];
    if (a.token.kind != b.token.kind || a.token.text != b.token.text ||
        a.token.spaceBefore != b.token.spaceBefore || a.parameter != b.parameter ||
        a.stringize != b.stringize || a.spacedFromHash != b.spacedFromHash ||
        a.pasteLeft != b.pasteLeft) {
      return false;
    }
  }
  return true;
}

MacroTable::MacroTable(const Dialect& dialect, Compiler compiler) : dialect_(dialect) {
  struct Entry {
    std::string_view name;
    Builtin builtin;
  };
  constexpr Entry kCommon[] = {
      {"__FILE__", Builtin::kFile},
      {"__FILE_NAME__", Builtin::kFileName},
      {"__BASE_FILE__", Builtin::kBaseFile},
      {"__LINE__", Builtin::kLine},
      {"__COUNTER__", Builtin::kCounter},
      {"__INCLUDE_LEVEL__", Builtin::kIncludeLevel},
      {"__DATE__", Builtin::kDate},
      {"__TIME__", Builtin::kTime},
      {"__TIMESTAMP__", Builtin::kTimestamp},
      {"_Pragma", Builtin::kPragma},
      {"__has_include", Builtin::kHasInclude},
      {"__has_include_next", Builtin::kHasIncludeNext},
      {"__has_attribute", Builtin::kHasAttribute},
      {"__has_cpp_attribute", Builtin::kHasCppAttribute},
      {"__has_c_attribute", Builtin::kHasCAttribute},
      {"__has_builtin", Builtin::kHasBuiltin},
  };
  constexpr Entry kClang[] = {
      {"__has_feature", Builtin::kHasFeature},
      {"__has_extension", Builtin::kHasExtension},
      {"__has_warning", Builtin::kHasWarning},
  };
  for (const Entry& e : kCommon) {
    Definition macro = builtinMacro(e.name, e.builtin);
    macros_.emplace(macro->name, std::move(macro));
  }
  if (compiler == Compiler::kClang) {
    for (const Entry& e : kClang) {
      Definition macro = builtinMacro(e.name, e.builtin);
      macros_.emplace(macro->name, std::move(macro));
    }
  }
}

std::string MacroTable::checkName(const Tokens& operands, std::string_view directive) const {
  if (operands.empty()) return "no macro name given in " + std::string(directive) + " directive";
  const Token& name = operands.front();
  if (name.kind != TokenKind::kIdentifier) return "macro names must be identifiers";
  if (name.text == "defined") return "\"defined\" cannot be used as a macro name";
  if (dialect_.cplusplus && isOperatorName(name.text)) {
    return quoted(name.text) + " cannot be used as a macro name as it is an operator in C++";
  }
  return "";
}

std::string MacroTable::define(const Tokens& operands) {
  std::string error = checkName(operands, "#define");
  if (!error.empty()) return error;

  auto macro = std::make_shared<Macro>();
  std::size_t size = 0;
  for (const Token& t : operands) size += t.text.size();
  macro->spellings.reserve(size + sizeof("__VA_ARGS__"));
  macro->body.reserve(operands.size());
  macro->name = keep(*macro, operands.front().text);

  std::size_t at = 1;
  if (at < operands.size() && isPunctuator(operands[at], "(") && !operands[at].spaceBefore) {
    macro->functionLike = true;
    ++at;
    error = readParameters(operands, at, macro->parameters, macro->variadic);
    if (!error.empty()) return error;
    for (std::string_view& p : macro->parameters) p = keep(*macro, p);
  }
  error = BodyReader(*macro).read(operands, at);
  if (!error.empty()) return error;

  remove(macro->name);
  bodyTokens_ += macro->body.size();
  const std::string_view key = macro->name;
  macros_.emplace(key, std::move(macro));
  return "";
}

void MacroTable::remove(std::string_view name) {
  const auto found = macros_.find(name);
  if (found == macros_.end()) return;
  bodyTokens_ -= found->second->body.size();
  macros_.erase(found);
}

std::string MacroTable::undefine(const Tokens& operands) {
  std::string error = checkName(operands, "#undef");
  if (error.empty()) remove(operands.front().text);
  return error;
}

std::string MacroTable::defineOption(std::string_view option) {
  // As the compiler does: the first '=' becomes a space, and without one
  // the value is 1.
  std::string text(option.substr(0, option.find('\n')));
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) {
    text += " 1";
  } else {
    text[equals] = ' ';
  }
  return define(tokenize(text, false, dialect_));
}

std::string MacroTable::undefineOption(std::string_view name) {
  return undefine(tokenize(name.substr(0, name.find('\n')), false, dialect_));
}

const MacroTable::Definition& MacroTable::peek(std::string_view name) const {
  const auto found = macros_.find(name);
  return found == macros_.end() ? none_ : found->second;
}

const MacroTable::Definition& MacroTable::lookup(std::string_view name) const {
  const Definition& found = peek(name);
  if (hook_) hook_(name, found);
  return found;
}
