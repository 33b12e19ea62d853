#include "app/exit_status.h"

#include <ostream>

int exitStatusOf(ErrorCategory category) {
  switch (category) {
    case ErrorCategory::kUsage:
      return -1;
    case ErrorCategory::kUnusableInput:
      return 2;
    case ErrorCategory::kGrowth:
      return 3;
    case ErrorCategory::kOutput:
      break;
  }
  return 1;
}

int reportError(const Error& error, std::ostream& out, std::ostream& err) {
  if (!error.message.empty()) err << "cludemap: " << error.message << '\n';
  if (error.category == ErrorCategory::kUsage) out << kUsageMessage;
  return exitStatusOf(error.category);
}
