// Helpers for tests that touch files or start the real program.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelmor::test {

// A fresh directory, removed with its contents at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view content);

struct ProgramRun {
  int exitStatus = -1;  // the exit status, or -1 when killed or timed out
  bool timedOut = false;
  std::string output;  // everything written to standard output
};

// Runs `program` in `workDir` in a new session (no controlling terminal), feeds it `input` on
// standard input then closes it, and collects standard output. Killed after `timeout`.
ProgramRun runProgram(const std::string& program, std::string_view input,
                      const std::filesystem::path& workDir,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The same for the kelmor binary under test.
ProgramRun runKelmor(std::string_view replies, const std::filesystem::path& workDir);

// The recorded sessions and other fixtures shipped with the tests.
std::filesystem::path testData(std::string_view name);

}  // namespace kelmor::test
