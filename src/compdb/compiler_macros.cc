#include "compdb/compiler_macros.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "compdb/compiler_run.h"
#include "compdb/temporary_file.h"
#include "util/path_separator.h"

namespace {

using Kind = StartStep::Kind;

bool startsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// The text of a C string literal's body up to its closing quote, with
// \\, \" and octal escapes undone; `text` starts after the opening quote.
std::string unescaped(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size() && text[i] != '"'; ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      result += text[i];
    } else if (text[i + 1] >= '0' && text[i + 1] <= '7') {
      int code = 0;
      for (int n = 0; n < 3 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
           ++n) {
        code = code * 8 + (text[++i] - '0');
      }
      result += static_cast<char>(code);
    } else {
      result += text[++i];
    }
  }
  return result;
}

struct LineMarker {
  std::string file;
  bool enters = false;   // flag 1
  bool returns = false;  // flag 2
};

// `# N "FILE" FLAGS`; nothing for other lines.
std::optional<LineMarker> lineMarker(std::string_view line) {
  if (!startsWith(line, "# ") || line.size() < 3 ||
      std::isdigit(static_cast<unsigned char>(line[2])) == 0) {
    return std::nullopt;
  }
  const std::size_t quote = line.find('"');
  const std::size_t close = line.rfind('"');
  if (quote == std::string_view::npos || close == quote) return std::nullopt;
  LineMarker marker{unescaped(line.substr(quote + 1)), false, false};
  for (const char flag : line.substr(close + 1)) {
    marker.enters = marker.enters || flag == '1';
    marker.returns = marker.returns || flag == '2';
  }
  return marker;
}

// Built-in text, the command line and standard input are named in angle
// brackets.
bool isRealFile(std::string_view file) { return !file.empty() && file.front() != '<'; }

std::string_view baseName(std::string_view path) {
  const auto separator =
      std::find_if(path.rbegin(), path.rend(), [](char c) { return isSystemSeparator(c); });
  return path.substr(static_cast<std::size_t>(path.rend() - separator));
}

// "#define NAME(PARAMETERS) TEXT" or "#define NAME TEXT".
std::optional<PredefinedMacro> definition(std::string_view line) {
  constexpr std::string_view kDefine = "#define ";
  if (!startsWith(line, kDefine)) return std::nullopt;
  std::string_view rest = line.substr(kDefine.size());
  const std::size_t nameEnd = std::min(rest.find_first_of(" ("), rest.size());
  PredefinedMacro macro{std::string(rest.substr(0, nameEnd)), "", std::string(line)};
  rest.remove_prefix(nameEnd);
  if (startsWith(rest, "(")) rest.remove_prefix(std::min(rest.find(')') + 1, rest.size()));
  if (startsWith(rest, " ")) rest.remove_prefix(1);
  macro.replacement = rest;
  return macro;
}

void undefine(std::vector<PredefinedMacro>& macros, std::string_view name) {
  macros.erase(std::remove_if(macros.begin(), macros.end(),
                              [name](const PredefinedMacro& macro) { return macro.name == name; }),
               macros.end());
}

void addFileKind(std::vector<Kind>& order, Kind kind) {
  if (std::find(order.begin(), order.end(), kind) == order.end()) order.push_back(kind);
}

std::string spelling(Kind kind) {
  switch (kind) {
    case Kind::kDefine:
      return "-D";
    case Kind::kUndefine:
      return "-U";
    case Kind::kMacrosOf:
      return "-imacros ";
    case Kind::kInclude:
      return "-include ";
    case Kind::kPreInclude:
      break;
  }
  return "pre-include ";
}

}  // namespace

std::optional<CompilerMacros> parseMacroDump(std::string_view dump, std::string_view macrosProbe,
                                             std::string_view includeProbe) {
  CompilerMacros macros;
  std::vector<std::string> open;  // the real files being read, outermost first
  bool markers = false;
  while (!dump.empty()) {
    const std::string_view line = nextLine(dump);
    if (const std::optional<LineMarker> marker = lineMarker(line)) {
      markers = true;
      if (marker->enters && isRealFile(marker->file)) {
        if (open.empty()) {
          const std::string_view name = baseName(marker->file);
          const Kind kind = name == macrosProbe    ? Kind::kMacrosOf
                            : name == includeProbe ? Kind::kInclude
                                                   : Kind::kPreInclude;
          if (kind == Kind::kPreInclude) macros.preIncludes.push_back(marker->file);
          addFileKind(macros.fileOrder, kind);
        }
        open.push_back(marker->file);
      } else if (marker->returns) {
        if (!isRealFile(marker->file)) open.clear();
        if (!open.empty()) open.pop_back();
      }
    } else if (!open.empty()) {
      continue;
    } else if (std::optional<PredefinedMacro> macro = definition(line)) {
      macros.predefined.push_back(std::move(*macro));
    } else if (startsWith(line, "#undef ")) {
      undefine(macros.predefined, line.substr(7));
    }
  }
  if (!markers) return std::nullopt;
  for (const Kind kind : {Kind::kMacrosOf, Kind::kPreInclude, Kind::kInclude}) {
    addFileKind(macros.fileOrder, kind);
  }
  return macros;
}

Expected<CompilerMacros> queryCompilerMacros(const CompilerConfiguration& configuration) {
  Expected<TemporaryFile> macrosProbe = TemporaryFile::create(".h", "");
  if (!macrosProbe) return macrosProbe.error();
  Expected<TemporaryFile> includeProbe = TemporaryFile::create(".h", "");
  if (!includeProbe) return includeProbe.error();
  Expected<TemporaryFile> output = TemporaryFile::create(".txt", "");
  if (!output) return output.error();
  std::vector<std::string> arguments = configuration.options;
  arguments.insert(arguments.end(), {"-x", languageOption(configuration.language), "-dD", "-E",
                                     "-imacros", macrosProbe->path(), "-include",
                                     includeProbe->path(), "-o", output->path(), "-"});
  const Expected<ProgramOutput> run = runCompiler(configuration.compiler, arguments);
  if (!run) return run.error();
  std::optional<CompilerMacros> macros;
  if (const Expected<std::string> dump = output->read(); dump && run->status == 0) {
    macros = parseMacroDump(*dump, macrosProbe->name(), includeProbe->name());
  }
  if (!macros) return compilerFailure(configuration.compiler, "listed no predefined macros", *run);
  return std::move(*macros);
}

std::vector<StartStep> startSteps(const CompilerConfiguration& configuration,
                                  const CompilerMacros& macros) {
  std::vector<StartStep> steps;
  for (const StartStep& step : configuration.commandLine) {
    if (step.kind == Kind::kDefine || step.kind == Kind::kUndefine) steps.push_back(step);
  }
  for (const Kind kind : macros.fileOrder) {
    if (kind == Kind::kPreInclude) {
      for (const std::string& path : macros.preIncludes) steps.push_back({kind, path});
    }
    for (const StartStep& step : configuration.commandLine) {
      if (step.kind == kind) steps.push_back(step);
    }
  }
  return steps;
}

std::string describeMacroSources(const CompilerConfiguration& configuration,
                                 const CompilerMacros& macros) {
  std::string text = "macros: " + std::to_string(macros.predefined.size()) + " predefined by " +
                     configuration.compiler;
  for (const std::string& option : configuration.options) text += " " + option;
  text += std::string(" -x ") + languageOption(configuration.language);
  const std::vector<StartStep> steps = startSteps(configuration, macros);
  if (!steps.empty()) text += ", then:";
  text += '\n';
  for (const StartStep& step : steps) text += "  " + spelling(step.kind) + step.value + '\n';
  return text;
}
