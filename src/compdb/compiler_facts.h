// What the compiler knows of each configuration of a run, asked once for
// all the entries and files that share it.
#ifndef CLUDEMAP_COMPDB_COMPILER_FACTS_H_
#define CLUDEMAP_COMPDB_COMPILER_FACTS_H_

#include <map>
#include <optional>
#include <string>

#include "compdb/compiler_configuration.h"
#include "compdb/compiler_macros.h"
#include "compdb/feature_oracle.h"
#include "util/error.h"

class CompilerFacts {
 public:
  struct Facts {
    CompilerMacros macros;
    FeatureOracle features;
  };

  // The facts of `configuration`'s question key (questionKey()): its macros
  // asked with queryCompilerMacros() on first use, and its oracle, which
  // keeps its answers for the run. The steps between the macros and a
  // source still depend on the whole configuration: startSteps(). Fails as
  // queryCompilerMacros() does; that failure is kept, and given again
  // without a new run. The facts stay where they are while the object
  // lives.
  Expected<Facts*> of(const CompilerConfiguration& configuration);

  // How many question keys were asked about.
  std::size_t asked() const { return known_.size(); }

 private:
  struct Known {
    std::optional<Facts> facts;
    Error error{ErrorCategory::kUnusableInput, ""};  // where facts is empty
  };
  std::map<std::string, Known> known_;
};

#endif  // CLUDEMAP_COMPDB_COMPILER_FACTS_H_
