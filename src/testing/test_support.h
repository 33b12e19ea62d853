// Test helpers: temporary header trees, running commands, Graphviz checks.
#ifndef CLUDEMAP_TESTING_TEST_SUPPORT_H_
#define CLUDEMAP_TESTING_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A fresh directory under the system temporary directory, removed with all
// its content when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `relative`, creating parent directories.
  void write(const std::string& relative, const std::string& bytes) const;
  std::string read(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// The whole content of a file, or an empty string when it cannot be read.
std::string readFile(const std::filesystem::path& path);

struct CommandResult {
  int exitStatus = -1;  // 0..255, or -1 when the command did not exit normally
  std::string out;
  std::string err;
};

// Runs `argv` (no shell interpretation of the arguments) in `directory` with
// `environment` entries ("NAME=value") added, capturing both output streams.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::filesystem::path& directory,
                         const std::vector<std::string>& environment = {});

// The command that runs the tool under test: the space-separated words of
// CLUDEMAP_TEST_COMMAND when it is set (for example
// "wine build/windows/src/app/cludemap.exe"), else `binary` alone.
std::vector<std::string> toolCommand(const std::string& binary);

// True when CLUDEMAP_TEST_TARGET is "windows": the tool under test is a
// Windows build, whose output lines end in CR LF.
bool windowsTarget();

// Standard output or error as the target writes `text`: on Windows (text
// mode) every LF becomes CR LF.
std::string textMode(const std::string& text);

// A DOT file with the target's line ends: on Windows every line end becomes
// CR LF, but the LF of a label's line continuation (after an odd number of
// backslashes) stays as it is, as the tool writes it there.
std::string dotLineEnds(const std::string& text);

// Passes when Graphviz reads the DOT file without error.
::testing::AssertionResult graphvizAcceptsFile(const std::filesystem::path& file);
::testing::AssertionResult graphvizAccepts(const std::string& dotText);

// The graph as Graphviz's reader (nop) writes it back, with every line
// continuation removed so that quoted strings come back whole. Empty when
// Graphviz rejects the text.
std::string graphvizReadBack(const std::string& dotText);

#endif  // CLUDEMAP_TESTING_TEST_SUPPORT_H_
