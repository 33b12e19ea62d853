#include "compdb/compiler_facts.h"

#include <utility>

Expected<CompilerFacts::Facts*> CompilerFacts::of(const CompilerConfiguration& configuration) {
  const auto [entry, added] = known_.try_emplace(configuration.questionKey());
  Known& known = entry->second;
  if (added) {
    Expected<CompilerMacros> macros = queryCompilerMacros(configuration);
    if (macros) {
      FeatureOracle features(configuration, *macros);
      known.facts.emplace(Facts{std::move(*macros), std::move(features)});
    } else {
      known.error = macros.error();
    }
  }
  if (!known.facts) return known.error;
  return &*known.facts;
}
