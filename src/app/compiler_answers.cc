#include "app/compiler_answers.h"

#include <string>

namespace {

std::optional<FeatureKind> featureKindOf(Builtin which) {
  switch (which) {
    case Builtin::kHasAttribute:
      return FeatureKind::kAttribute;
    case Builtin::kHasCppAttribute:
      return FeatureKind::kCppAttribute;
    case Builtin::kHasCAttribute:
      return FeatureKind::kCAttribute;
    case Builtin::kHasBuiltin:
      return FeatureKind::kBuiltin;
    case Builtin::kHasFeature:
      return FeatureKind::kFeature;
    case Builtin::kHasExtension:
      return FeatureKind::kExtension;
    case Builtin::kHasWarning:
      return FeatureKind::kWarning;
    default:
      return std::nullopt;
  }
}

}  // namespace

OracleAnswers::OracleAnswers(const RunConfig& config) {
  for (const std::optional<CompilerAsked>& asked : config.compilers) {
    oracles_.push_back(asked ? std::make_unique<FeatureOracle>(asked->configuration, asked->macros)
                             : nullptr);
  }
}

std::optional<std::intmax_t> OracleAnswers::known(std::size_t preprocessing, Builtin which,
                                                  std::string_view operand) {
  const std::optional<FeatureKind> kind = featureKindOf(which);
  if (preprocessing >= oracles_.size() || !oracles_[preprocessing] || !kind) return 0;
  FeatureOracle& oracle = *oracles_[preprocessing];
  const FeatureQuestion question{*kind, std::string(operand)};
  if (const std::optional<FeatureAnswer> answer = oracle.cached(question)) return answer->value;
  oracle.ask(question);
  return std::nullopt;
}

bool OracleAnswers::askPending() {
  bool asked = false;
  for (std::unique_ptr<FeatureOracle>& oracle : oracles_) {
    if (!oracle || oracle->pendingCount() == 0) continue;
    // A compiler that cannot answer is not asked again: its questions count
    // as 0 from now on.
    if (oracle->resolvePending()) {
      oracle.reset();
    }
    asked = true;
  }
  return asked;
}
