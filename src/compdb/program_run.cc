#include "compdb/program_run.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#if defined(_WIN32)
#include <windows.h>

#include "compdb/command_split.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__APPLE__)
#include <crt_externs.h>
#define environ (*_NSGetEnviron())
#endif
#endif

namespace {

bool sameVariable(std::string_view a, std::string_view b) {
  a = a.substr(0, a.find('='));
  b = b.substr(0, b.find('='));
#if defined(_WIN32)
  // Windows variable names ignore letter case.
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
#else
  return a == b;
#endif
}

std::vector<std::string> environmentWith(const std::vector<std::string_view>& inherited,
                                         const std::vector<std::string>& changes) {
  std::vector<std::string> merged;
  for (const std::string_view variable : inherited) {
    const auto changed = [variable](const std::string& change) {
      return sameVariable(variable, change);
    };
    if (std::none_of(changes.begin(), changes.end(), changed)) merged.emplace_back(variable);
  }
  merged.insert(merged.end(), changes.begin(), changes.end());
  return merged;
}

#if defined(_WIN32)

std::vector<std::string_view> inheritedEnvironment(const char* block) {
  std::vector<std::string_view> variables;
  for (const char* variable = block; *variable != '\0'; variable += variables.back().size() + 1) {
    variables.emplace_back(variable);
  }
  return variables;
}

Error failure(DWORD code) {
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    return {ErrorCategory::kUnusableInput, "no such file or directory"};
  }
  if (code == ERROR_ACCESS_DENIED) return {ErrorCategory::kUnusableInput, "permission denied"};
  return {ErrorCategory::kUnusableInput, "error " + std::to_string(code)};
}

// The variables as CreateProcess takes them: each ended by a NUL, and one
// more NUL at the end.
std::string environmentBlock(const std::vector<std::string>& changes) {
  char* inherited = GetEnvironmentStringsA();
  std::string block;
  for (const std::string& variable : environmentWith(inheritedEnvironment(inherited), changes)) {
    block += variable;
    block += '\0';
  }
  FreeEnvironmentStringsA(inherited);
  return block + '\0';
}

std::string commandLine(const std::string& program, const std::vector<std::string>& arguments) {
  // A program name holds no quotes; the quotes keep its blanks.
  std::string line = '"' + program + '"';
  for (const std::string& argument : arguments) line += ' ' + quoteWindowsArgument(argument);
  return line;
}

Expected<ProgramOutput> run(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return failure(GetLastError());
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::string line = commandLine(program, arguments);
  std::string block = environmentBlock(environment);
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, block.data(), nullptr, &startup, &process);
  const DWORD code = GetLastError();
  CloseHandle(writeEnd);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    CloseHandle(readEnd);
    return failure(code);
  }
  ProgramOutput result;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(readEnd, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
    result.output.append(buffer, count);
  }
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  result.status = static_cast<int>(exitCode);
  return result;
}

#else

Error failure(int code) {
  std::string text = std::strerror(code);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return {ErrorCategory::kUnusableInput, text};
}

std::vector<char*> pointers(std::vector<std::string>& words) {
  std::vector<char*> list;
  list.reserve(words.size() + 1);
  for (std::string& word : words) list.push_back(word.data());
  list.push_back(nullptr);
  return list;
}

// Reads the pipe to its end.
std::string readAll(int descriptor) {
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(descriptor, buffer, sizeof(buffer));
    if (count > 0) {
      output.append(buffer, static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      return output;
    }
  }
}

int waitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Expected<ProgramOutput> run(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<std::string_view> inherited;
  for (char** variable = environ; *variable != nullptr; ++variable)
    inherited.emplace_back(*variable);
  std::vector<std::string> variables = environmentWith(inherited, environment);
  int ends[2];
  if (pipe(ends) != 0) return failure(errno);
  // Only the child's standard output and error stay open in it.
  fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  fcntl(ends[1], F_SETFD, FD_CLOEXEC);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 2);
  pid_t child = 0;
  const int code = posix_spawnp(&child, program.c_str(), &actions, nullptr, pointers(words).data(),
                                pointers(variables).data());
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  ProgramOutput result;
  if (code == 0) result.output = readAll(ends[0]);
  close(ends[0]);
  if (code != 0) return failure(code);
  result.status = waitFor(child);
  return result;
}

#endif

}  // namespace

Expected<ProgramOutput> runProgram(const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment) {
  return run(program, arguments, environment);
}
