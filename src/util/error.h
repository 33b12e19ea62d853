// The one way the tool's functions report a failure. A function that makes
// a value returns Expected<T>: the value, or the Error that kept it from
// one. A function that only does something returns std::optional<Error>:
// nothing, or the Error.
#ifndef CLUDEMAP_UTIL_ERROR_H_
#define CLUDEMAP_UTIL_ERROR_H_

#include <string>
#include <utility>
#include <variant>

// What kind of failure an Error is. The kind alone decides the run's exit
// status (exitStatusOf, app/exit_status.h).
enum class ErrorCategory {
  kUsage,  // the command line asks for what the tool does not do
  // An input besides the headers cannot be used: the compile database, the
  // compiler, the --compare baseline; or a picture is asked of a build
  // without Graphviz's library.
  kUnusableInput,
  // --compare found a start header's closure grown: the output is written
  // whole, and the run fails as the gate it is.
  kGrowth,
  kOutput,  // the output cannot be made or written
};

// A failure and one line for a person, without the tool's name or a line
// end. An empty message adds nothing to what the run printed already (the
// usage line, the comparison's own verdict).
struct Error {
  ErrorCategory category;
  std::string message;
};

// A value, or the Error that kept a function from making it.
template <typename T>
class Expected {
 public:
  // Implicit, so that a function returns either as it is.
  Expected(T value) : result_(std::in_place_index<0>, std::move(value)) {}
  Expected(Error error) : result_(std::in_place_index<1>, std::move(error)) {}

  // Whether there is a value.
  explicit operator bool() const { return result_.index() == 0; }
  T& operator*() { return std::get<0>(result_); }
  const T& operator*() const { return std::get<0>(result_); }
  T* operator->() { return &std::get<0>(result_); }
  const T* operator->() const { return &std::get<0>(result_); }
  // Only where there is no value.
  const Error& error() const { return std::get<1>(result_); }

 private:
  std::variant<T, Error> result_;
};

#endif  // CLUDEMAP_UTIL_ERROR_H_
