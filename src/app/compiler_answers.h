// The compiler's answers to the __has_* questions of a run's translation
// units.
#ifndef CLUDEMAP_APP_COMPILER_ANSWERS_H_
#define CLUDEMAP_APP_COMPILER_ANSWERS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/run_config.h"
#include "compdb/feature_oracle.h"
#include "scan/translation_unit.h"

// One oracle per translation unit configuration the compiler was asked
// about; questions are gathered and asked in one compiler run per
// configuration and batch. A question the compiler rejects (an error in
// its #if) counts as 0, and so does every question of a configuration whose
// compiler fails.
class OracleAnswers : public CompilerAnswers {
 public:
  explicit OracleAnswers(const RunConfig& config);

  std::optional<std::intmax_t> known(std::size_t preprocessing, Builtin which,
                                     std::string_view operand) override;
  bool askPending() override;

 private:
  std::vector<std::unique_ptr<FeatureOracle>> oracles_;  // null: no compiler asked, or it failed
};

#endif  // CLUDEMAP_APP_COMPILER_ANSWERS_H_
