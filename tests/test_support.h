// Helpers for tests that touch files or start the real program.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelmor::test {

// A fresh directory, removed with its contents at the end of the test.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
// Opens the named pipe `fifo` for writing as soon as a reader has it open; -1 when none comes
// within `timeout` (never blocks beyond it).
int openFifoWriter(const std::filesystem::path& fifo, std::chrono::milliseconds timeout);
void writeFile(const std::filesystem::path& path, std::string_view content);

struct ProgramRun {
  int exitStatus = -1;  // the exit status, or -1 when killed or timed out
  bool timedOut = false;
  std::string output;  // everything written to standard output
};

// A program started in `workDir` in a new session (no controlling terminal), with pipes for
// standard input and output. Every wait is bounded; the destructor kills what is left.
class ChildProgram {
 public:
  enum class Input {
    kPipe,             // a pipe from the test
    kNonBlockingPipe,  // the same, left in non-blocking mode as some parents do
    kClosed,           // no standard input at all
  };
  struct Options {
    Input input = Input::kPipe;
    std::size_t addressSpace = 0;  // a limit on the child's virtual memory in bytes (0: none)
    std::size_t fileSize = 0;      // a limit on the size of the files it writes (0: none)
  };
  ChildProgram(const std::string& program, const std::filesystem::path& workDir,
               const Options& options);
  ChildProgram(const std::string& program, const std::filesystem::path& workDir)
      : ChildProgram(program, workDir, Options{}) {}
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  void send(std::string_view text);
  void closeInput();
  // Stops reading the output, as a reader that goes away (`| head`) does.
  void closeOutput();
  // Collects output until it ends with `text`; false when the time runs out first.
  bool awaitOutputEnding(std::string_view text, std::chrono::milliseconds timeout);
  // Closes standard input, collects the rest of the output and the exit status.
  ProgramRun finish(std::chrono::milliseconds timeout = std::chrono::seconds(20));

 private:
  // Reads what is there within `timeout`; false at the end of the output.
  bool collect(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string output_;
};

// Runs `program` with `input` on standard input (then closed) and collects its output.
ProgramRun runProgram(const std::string& program, std::string_view input,
                      const std::filesystem::path& workDir,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The same for the kelmor binary under test.
ProgramRun runKelmor(std::string_view replies, const std::filesystem::path& workDir);
const char* kelmorBinary();

// The recorded sessions and other fixtures shipped with the tests.
std::filesystem::path testData(std::string_view name);

}  // namespace kelmor::test
