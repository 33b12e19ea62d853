#include "scan/translation_unit.h"

#include <utility>

#include "preprocess/condition.h"
#include "preprocess/dialect.h"
#include "preprocess/tokenize.h"

namespace {

bool isConditional(DirectiveKind kind) {
  switch (kind) {
    case DirectiveKind::kIf:
    case DirectiveKind::kIfdef:
    case DirectiveKind::kIfndef:
    case DirectiveKind::kElif:
    case DirectiveKind::kElifdef:
    case DirectiveKind::kElifndef:
    case DirectiveKind::kElse:
    case DirectiveKind::kEndif:
      return true;
    default:
      return false;
  }
}

bool taking(const FileWalk& walk) { return walk.groups.empty() || walk.groups.back().taking; }

// The table of the compiler's predefined macros, as its -dM -E printed them.
MacroTable predefinedMacros(const Preprocessing& config, const Dialect& dialect) {
  MacroTable macros(dialect, config.clang ? Compiler::kClang : Compiler::kGcc);
  const LexedFile lines = lexFile(config.predefined, dialect);
  for (const Directive& directive : lines.directives()) {
    if (directive.kind == DirectiveKind::kDefine) macros.define(tokenize(lines.text(directive)));
  }
  return macros;
}

}  // namespace

TranslationUnit::TranslationUnit(
    const Preprocessing& config, std::size_t configIndex, std::string baseFile,
    CompilerAnswers* answers, WarningSink& warnings,
    std::function<bool(std::string_view name, bool angled, bool next)> hasInclude)
    : config_(config),
      configIndex_(configIndex),
      baseFile_(std::move(baseFile)),
      answers_(answers),
      warnings_(warnings),
      macros_(predefinedMacros(config, dialectFor(config.cplusplus, config.standard))),
      language_(languageOf(macros_.dialect(), macros_)) {
  questions_.hasInclude = std::move(hasInclude);
  questions_.compilerValue = [this](Builtin which,
                                    std::string_view operand) -> std::optional<std::intmax_t> {
    if (answers_ == nullptr) return 0;
    std::optional<std::intmax_t> value = answers_->known(configIndex_, which, operand);
    // Evaluated as if the answer were 0; the scan runs again once the
    // compiler has answered.
    if (!value) unanswered_ = true;
    return value.value_or(0);
  };
}

void TranslationUnit::applyMacroOptions() {
  for (const StartStep& step : config_.steps) {
    std::string error;
    if (step.kind == StartStep::Kind::kDefine) error = macros_.defineOption(step.value);
    if (step.kind == StartStep::Kind::kUndefine) error = macros_.undefineOption(step.value);
    if (!error.empty()) {
      warnings_.warn(kDirectiveWarning, {"<command line>", "0", error});
    }
  }
}

bool TranslationUnit::enters(const std::string& identity, const std::string& route,
                             const LexedFile& file, const IncludeRequest& request) {
  if (once_.count(identity) != 0) return false;
  if (request.import) {
    once_.insert(identity);
    if (read_.count(identity) != 0) return false;
  }
  if (!file.guard().empty() && readThrough_.count(config_.clang ? identity : route) != 0 &&
      macros_.peek(file.guard()) != nullptr) {
    return false;
  }
  read_.insert(identity);
  return true;
}

std::optional<IncludeRequest> TranslationUnit::nextInclude(FileWalk& walk) {
  const std::vector<Directive>& directives = walk.file->directives();
  while (walk.next < directives.size()) {
    const Directive& directive = directives[walk.next++];
    if (isConditional(directive.kind)) {
      conditional(walk, directive);
      continue;
    }
    if (!taking(walk)) continue;
    if (directive.kind == DirectiveKind::kInclude ||
        directive.kind == DirectiveKind::kIncludeNext || directive.kind == DirectiveKind::kImport) {
      if (std::optional<IncludeRequest> request = include(walk, directive)) return request;
      continue;
    }
    apply(walk, directive);
  }
  // Innermost first, as the compiler says it.
  for (auto group = walk.groups.rbegin(); group != walk.groups.rend(); ++group) {
    warn(walk, group->line, "unterminated conditional");
  }
  walk.groups.clear();
  readThrough_.insert(config_.clang ? walk.identity : walk.route);
  return std::nullopt;
}

void TranslationUnit::conditional(FileWalk& walk, const Directive& directive) {
  std::vector<OpenGroup>& groups = walk.groups;
  switch (directive.kind) {
    case DirectiveKind::kIf:
    case DirectiveKind::kIfdef:
    case DirectiveKind::kIfndef: {
      // In a skipped group only the nesting counts.
      const bool parentTaking = taking(walk);
      const bool value =
          parentTaking && (directive.kind == DirectiveKind::kIf ? evaluate(walk, directive)
                                                                : defined(walk, directive));
      groups.push_back(OpenGroup{value, value || !parentTaking, false, directive.line});
      return;
    }
    case DirectiveKind::kElif:
    case DirectiveKind::kElifdef:
    case DirectiveKind::kElifndef:
    case DirectiveKind::kElse: {
      if (groups.empty()) {
        warn(walk, directive.line,
             "#" + std::string(directiveName(directive.kind)) + " without #if");
        return;
      }
      OpenGroup& group = groups.back();
      if (group.sawElse) {
        warn(walk, directive.line,
             "#" + std::string(directiveName(directive.kind)) + " after #else");
      }
      if (group.takenOnce) {
        group.taking = false;
      } else if (directive.kind == DirectiveKind::kElse) {
        group.taking = true;
      } else {
        group.taking = directive.kind == DirectiveKind::kElif ? evaluate(walk, directive)
                                                              : defined(walk, directive);
      }
      group.takenOnce = group.takenOnce || group.taking;
      group.sawElse = group.sawElse || directive.kind == DirectiveKind::kElse;
      return;
    }
    case DirectiveKind::kEndif:
      if (groups.empty()) {
        warn(walk, directive.line, "#endif without #if");
      } else {
        groups.pop_back();
      }
      return;
    default:
      return;
  }
}

BuiltinContext TranslationUnit::builtinsAt(const FileWalk& walk, const Directive& directive) {
  BuiltinContext context;
  context.file = walk.presumedPath ? *walk.presumedPath : walk.path;
  context.baseFile = baseFile_;
  context.line = static_cast<long>(directive.line) + walk.lineShift;
  context.includeLevel = walk.includeLevel;
  context.counter = counter_;
  return context;
}

bool TranslationUnit::evaluate(const FileWalk& walk, const Directive& directive) {
  const Tokens expression = tokenize(walk.file->text(directive));
  BuiltinContext builtins = builtinsAt(walk, directive);
  Environment environment{macros_, language_, builtins, questions_};
  const ConditionResult result = evaluateCondition(expression, environment);
  counter_ = builtins.counter;
  if (!result.error.empty()) warn(walk, directive.line, result.error);
  return result.value;
}

// #ifdef, #ifndef, #elifdef and #elifndef.
bool TranslationUnit::defined(const FileWalk& walk, const Directive& directive) {
  const Tokens operands = tokenize(walk.file->text(directive));
  if (operands.empty() || operands.front().kind != TokenKind::kIdentifier) {
    warn(walk, directive.line,
         "#" + std::string(directiveName(directive.kind)) + " takes a macro name");
    return false;
  }
  const bool known = macros_.find(operands.front().text) != nullptr;
  const bool negated =
      directive.kind == DirectiveKind::kIfndef || directive.kind == DirectiveKind::kElifndef;
  return known != negated;
}

void TranslationUnit::apply(FileWalk& walk, const Directive& directive) {
  switch (directive.kind) {
    case DirectiveKind::kDefine: {
      const std::string error = macros_.define(tokenize(walk.file->text(directive)));
      if (!error.empty()) warn(walk, directive.line, error);
      return;
    }
    case DirectiveKind::kUndef: {
      const std::string error = macros_.undefine(tokenize(walk.file->text(directive)));
      if (!error.empty()) warn(walk, directive.line, error);
      return;
    }
    case DirectiveKind::kPragma: {
      const Tokens operands = tokenize(walk.file->text(directive));
      if (!operands.empty() && operands.front().isIdentifier("once")) once_.insert(walk.identity);
      return;
    }
    case DirectiveKind::kError:
      warn(walk, directive.line, "#error " + std::string(walk.file->text(directive)));
      return;
    case DirectiveKind::kLine:
    case DirectiveKind::kLineMarker:
      line(walk, directive);
      return;
    default:
      return;
  }
}

// #line N "name" and the line marker # N "name": the line after it is
// line N, of the file "name" where that is given.
void TranslationUnit::line(FileWalk& walk, const Directive& directive) {
  BuiltinContext builtins = builtinsAt(walk, directive);
  Environment environment{macros_, language_, builtins, questions_};
  const Tokens operands = tokenize(walk.file->text(directive));
  // A line marker's operands are not macro-expanded.
  const Tokens expanded =
      directive.kind == DirectiveKind::kLine
          ? expandLine(operands, environment, ExpansionMode::kText, arena_).tokens
          : operands;
  counter_ = builtins.counter;
  const std::string_view number = expanded.empty() ? "" : expanded.front().text;
  if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
    warn(walk, directive.line,
         "\"" + std::string(number) + "\" after #line is not a positive integer");
    return;
  }
  walk.lineShift =
      std::stol(std::string(number.substr(0, 9))) - static_cast<long>(directive.line) - 1;
  if (expanded.size() < 2 || expanded[1].kind != TokenKind::kString ||
      expanded[1].text.front() != '"') {
    return;
  }
  // The name with its escapes undone, as the compiler reads it.
  std::string name;
  const std::string_view quoted = expanded[1].text.substr(1, expanded[1].text.size() - 2);
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
    name += quoted[i];
  }
  walk.presumedPath = std::move(name);
}

std::optional<IncludeRequest> TranslationUnit::include(const FileWalk& walk,
                                                       const Directive& directive) {
  const std::string_view name = directiveName(directive.kind);
  BuiltinContext builtins = builtinsAt(walk, directive);
  Environment environment{macros_, language_, builtins, questions_};
  const IncludeTarget target =
      expandInclude(tokenize(walk.file->text(directive), true), environment, name);
  counter_ = builtins.counter;
  if (!target.error.empty()) warn(walk, directive.line, target.error);
  if (target.name.empty()) return std::nullopt;
  IncludeRequest request;
  request.kind = directive.kind == DirectiveKind::kIncludeNext ? IncludeKind::kNext
                 : target.angled                               ? IncludeKind::kAngle
                                                               : IncludeKind::kQuoted;
  request.name = target.name;
  // Labelled as in the textual scan: a next directive with its brackets.
  request.label =
      target.angled || request.kind == IncludeKind::kNext ? "<" + target.name + ">" : target.name;
  request.line = directive.line;
  request.import = directive.kind == DirectiveKind::kImport;
  return request;
}

void TranslationUnit::warn(const FileWalk& walk, std::uint32_t line, std::string_view message) {
  warnings_.warn(kDirectiveWarning, {walk.path, std::to_string(line), message});
}
