#include "compdb/feature_oracle.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "compdb/compiler_run.h"
#include "compdb/temporary_file.h"

namespace {

constexpr std::string_view kKindNames[] = {
    "defined",
    "__has_builtin",
    "__has_attribute",
    "__has_cpp_attribute",
    "__has_c_attribute",
    "__has_feature",
    "__has_extension",
    "__has_warning",
    "__has_declspec_attribute",
};
constexpr int kValueBits = 64;

// The batch file's markers: each reaches the compiler's output as the text
// of a #warning, which both GCC and clang print with the file's name and
// the line. "bit I B": question I has bit B set; "unknown K": the compiler
// does not define the name of kind K; "end": it read the whole batch.
constexpr std::string_view kMarker = "cludemap-";

// True where `argument` stays within the one directive line it is put on:
// no line break, and no comment outside a literal.
bool sendable(std::string_view argument) {
  char quote = 0;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    const char c = argument[i];
    const char next = i + 1 < argument.size() ? argument[i + 1] : '\0';
    if (c == '\n' || c == '\r') return false;
    if (quote != 0) {
      if (c == '\\') ++i;
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '/' && (next == '/' || next == '*')) {
      return false;
    }
  }
  return true;
}

// The text of the batch file, and where each question's lines start.
class Batch {
 public:
  explicit Batch(const std::vector<FeatureQuestion>& questions) {
    for (const FeatureQuestion& question : questions) probeKind(question.kind);
    for (std::size_t i = 0; i < questions.size(); ++i) addQuestion(i, questions[i]);
    firstLines_.push_back(lines_ + 1);
    add("#warning " + std::string(kMarker) + "end");
  }

  const std::string& text() const { return text_; }
  // The question whose lines hold line `line` (counted from 1), if any.
  std::optional<std::size_t> questionAt(std::size_t line) const {
    const auto after = std::upper_bound(firstLines_.begin(), firstLines_.end(), line);
    if (after == firstLines_.begin() || after == firstLines_.end()) return std::nullopt;
    return static_cast<std::size_t>(after - firstLines_.begin() - 1);
  }

 private:
  void add(const std::string& line) {
    text_ += line;
    text_ += '\n';
    ++lines_;
  }

  void probeKind(FeatureKind kind) {
    const int number = static_cast<int>(kind);
    if (kind == FeatureKind::kDefined || probed_[number]) return;
    probed_[number] = true;
    add("#ifndef " + std::string(featureKindName(kind)));
    add("#warning " + std::string(kMarker) + "unknown " + std::to_string(number));
    add("#endif");
  }

  // One #if a bit; the bits above the lowest are only tested for values
  // above 1, which most answers are not.
  void addQuestion(std::size_t index, const FeatureQuestion& question) {
    firstLines_.push_back(lines_ + 1);
    const bool known = question.kind == FeatureKind::kDefined;
    const std::string expression =
        "(" + std::string(featureKindName(question.kind)) + "(" + question.argument + "))";
    if (!known) add("#ifdef " + std::string(featureKindName(question.kind)));
    for (int bit = 0; bit < kValueBits; ++bit) {
      if (bit == 1) add("#if " + expression + " >> 1");
      add("#if (" + expression + " >> " + std::to_string(bit) + ") & 1");
      add("#warning " + std::string(kMarker) + "bit " + std::to_string(index) + " " +
          std::to_string(bit));
      add("#endif");
    }
    add("#endif");
    if (!known) add("#endif");
  }

  std::string text_;
  std::size_t lines_ = 0;
  std::vector<std::size_t> firstLines_;  // and one past the last question
  bool probed_[std::size(kKindNames)] = {};
};

// Reads the number at the start of `text`, and a blank after it, and drops
// them.
std::optional<std::size_t> readNumber(std::string_view& text) {
  std::size_t digits = 0;
  std::size_t number = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    number = number * 10 + static_cast<std::size_t>(text[digits++] - '0');
  }
  if (digits == 0) return std::nullopt;
  text.remove_prefix(digits < text.size() && text[digits] == ' ' ? digits + 1 : digits);
  return number;
}

// What the compiler printed about the batch.
struct BatchReport {
  explicit BatchReport(std::size_t questions) : bits(questions), rejected(questions) {}

  std::vector<std::uint64_t> bits;
  std::vector<bool> rejected;
  bool unknownKinds[std::size(kKindNames)] = {};
  bool ended = false;

  // "bit I B", "unknown K" or "end", and what follows it.
  void readMarker(std::string_view text) {
    const std::string_view word = text.substr(0, text.find(' '));
    text.remove_prefix(std::min(word.size() + 1, text.size()));
    const std::optional<std::size_t> first = readNumber(text);
    const std::optional<std::size_t> second = readNumber(text);
    if (word == "end") {
      ended = true;
    } else if (word == "unknown" && first && *first < std::size(unknownKinds)) {
      unknownKinds[*first] = true;
    } else if (word == "bit" && first && second && *first < bits.size() && *second < kValueBits) {
      bits[*first] |= std::uint64_t{1} << *second;
    }
  }
};

// Reads a diagnostic about the batch file, "...NAME:LINE[:COLUMN]: warning:
// TEXT" or "...: error: TEXT", into `report`.
void readDiagnostic(std::string_view line, std::string_view batchName, const Batch& batch,
                    BatchReport& report) {
  const std::size_t name = line.find(batchName);
  if (name == std::string_view::npos) return;
  std::string_view rest = line.substr(name + batchName.size());
  if (rest.empty() || rest.front() != ':') return;
  rest.remove_prefix(1);
  const std::optional<std::size_t> lineNumber = readNumber(rest);
  const std::size_t warning = rest.find(": warning: ");
  const std::size_t marker = rest.find(kMarker, warning);
  if (!lineNumber) return;
  if (warning != std::string_view::npos && marker != std::string_view::npos) {
    report.readMarker(rest.substr(marker + kMarker.size()));
  } else if (rest.find(": error: ") != std::string_view::npos ||
             rest.find(": fatal error: ") != std::string_view::npos) {
    if (const std::optional<std::size_t> question = batch.questionAt(*lineNumber)) {
      report.rejected[*question] = true;
    }
  }
}

bool definesClang(const CompilerMacros& macros) {
  return std::any_of(macros.predefined.begin(), macros.predefined.end(),
                     [](const PredefinedMacro& macro) { return macro.name == "__clang__"; });
}

}  // namespace

std::string_view featureKindName(FeatureKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<FeatureKind> featureKindNamed(std::string_view name) {
  const auto* found = std::find(std::begin(kKindNames), std::end(kKindNames), name);
  if (found == std::end(kKindNames)) return std::nullopt;
  return static_cast<FeatureKind>(found - std::begin(kKindNames));
}

FeatureOracle::FeatureOracle(const CompilerConfiguration& configuration,
                             const CompilerMacros& macros)
    : compiler_(configuration.compiler), options_(configuration.options) {
  options_.insert(options_.end(), {"-x", languageOption(configuration.language), "-E"});
  if (definesClang(macros)) options_.emplace_back("-ferror-limit=0");
}

std::optional<FeatureAnswer> FeatureOracle::cached(const FeatureQuestion& question) const {
  const auto known = answers_.find(question);
  if (known == answers_.end()) return std::nullopt;
  return known->second;
}

void FeatureOracle::ask(const FeatureQuestion& question) {
  if (answers_.count(question) != 0) return;
  if (!sendable(question.argument)) {
    answers_.emplace(question, FeatureAnswer{});
    return;
  }
  pending_.insert(question);
}

std::optional<Error> FeatureOracle::resolvePending() {
  if (pending_.empty()) return std::nullopt;
  const std::vector<FeatureQuestion> questions(pending_.begin(), pending_.end());
  const Batch batch(questions);
  const Expected<TemporaryFile> input = TemporaryFile::create(".h", batch.text());
  if (!input) return input.error();
  const Expected<TemporaryFile> output = TemporaryFile::create(".txt", "");
  if (!output) return output.error();
  std::vector<std::string> arguments = options_;
  arguments.insert(arguments.end(), {input->path(), "-o", output->path()});
  ++runs_;
  const Expected<ProgramOutput> run = runCompiler(compiler_, arguments);
  if (!run) return run.error();
  BatchReport report(questions.size());
  for (std::string_view text = run->output; !text.empty();) {
    readDiagnostic(nextLine(text), input->name(), batch, report);
  }
  if (!report.ended) return compilerFailure(compiler_, "stopped before answering", *run);
  for (std::size_t i = 0; i < questions.size(); ++i) {
    const bool accepted =
        !report.rejected[i] && !report.unknownKinds[static_cast<std::size_t>(questions[i].kind)];
    answers_[questions[i]] = {accepted, accepted ? static_cast<long long>(report.bits[i]) : 0};
  }
  pending_.clear();
  return std::nullopt;
}

Expected<FeatureAnswer> FeatureOracle::answer(const FeatureQuestion& question) {
  ask(question);
  if (std::optional<Error> error = resolvePending()) return std::move(*error);
  return *cached(question);
}
