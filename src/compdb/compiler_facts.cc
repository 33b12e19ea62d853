#include "compdb/compiler_facts.h"

CompilerFacts::Facts* CompilerFacts::of(const CompilerConfiguration& configuration,
                                        std::string& error) {
  const auto [entry, added] = known_.try_emplace(configuration.questionKey());
  Known& known = entry->second;
  if (added) {
    if (std::optional<CompilerMacros> macros = queryCompilerMacros(configuration, known.error)) {
      FeatureOracle features(configuration, *macros);
      known.facts.emplace(Facts{std::move(*macros), std::move(features)});
    }
  }
  if (!known.facts) {
    error = known.error;
    return nullptr;
  }
  return &*known.facts;
}
