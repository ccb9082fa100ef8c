#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelmor::test {

TempDir::TempDir(const std::filesystem::path& parent) {
  std::string pattern = (parent / "kelmor-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::filesystem::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

int openFifoWriter(const std::filesystem::path& fifo, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || std::chrono::steady_clock::now() >= deadline) return fd;
    ::usleep(20000);
  }
}

ChildProgram::ChildProgram(const std::string& program, const std::filesystem::path& workDir,
                           const Options& options) {
  int toChild[2];
  int fromChild[2];
  if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  ::signal(SIGPIPE, SIG_IGN);  // the child may exit before taking all its input
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it, not as this process runs
    ::setsid();                  // no controlling terminal: the key wait must end at once
    if (options.input == Input::kClosed) {
      ::close(STDIN_FILENO);
    } else {
      ::dup2(toChild[0], STDIN_FILENO);
    }
    if (options.input == Input::kNonBlockingPipe) {
      ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    }
    ::dup2(fromChild[1], STDOUT_FILENO);
    if (::chdir(workDir.c_str()) != 0) ::_exit(126);
    for (const auto& [resource, value] :
         {std::pair{RLIMIT_AS, options.addressSpace}, std::pair{RLIMIT_FSIZE, options.fileSize}}) {
      const rlimit limit{value, value};
      if (value > 0) ::setrlimit(resource, &limit);
    }
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  toChild_ = toChild[1];
  fromChild_ = fromChild[0];
}

ChildProgram::~ChildProgram() {
  closeInput();
  closeOutput();
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);  // the whole session the child leads
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void ChildProgram::send(std::string_view text) {
  while (toChild_ >= 0 && !text.empty()) {
    const ssize_t put = ::write(toChild_, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

void ChildProgram::closeInput() {
  if (toChild_ >= 0) ::close(toChild_);
  toChild_ = -1;
}

void ChildProgram::closeOutput() {
  if (fromChild_ >= 0) ::close(fromChild_);
  fromChild_ = -1;
}

bool ChildProgram::collect(std::chrono::milliseconds timeout) {
  if (fromChild_ < 0) return false;
  pollfd fd{fromChild_, POLLIN, 0};
  const int ready = ::poll(&fd, 1, static_cast<int>(std::max<long>(timeout.count(), 0)));
  if (ready <= 0) return ready == 0 || errno == EINTR;
  std::array<char, 4096> chunk{};
  const ssize_t got = ::read(fromChild_, chunk.data(), chunk.size());
  if (got <= 0) return false;
  output_.append(chunk.data(), static_cast<std::size_t>(got));
  return true;
}

namespace {
std::chrono::milliseconds leftUntil(std::chrono::steady_clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                               std::chrono::steady_clock::now());
}
}  // namespace

bool ChildProgram::awaitOutputEnding(std::string_view text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!std::string_view(output_).ends_with(text)) {
    if (leftUntil(deadline).count() <= 0 || !collect(leftUntil(deadline))) return false;
  }
  return true;
}

ProgramRun ChildProgram::finish(std::chrono::milliseconds timeout) {
  closeInput();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  ProgramRun run;
  while (leftUntil(deadline).count() > 0 && collect(leftUntil(deadline))) {
  }
  int status = 0;
  // The child may close its output and still run: the deadline holds here too.
  while (::waitpid(pid_, &status, WNOHANG) != pid_) {
    if (leftUntil(deadline).count() <= 0) {
      run.timedOut = true;
      ::kill(-pid_, SIGKILL);
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    ::usleep(2000);
  }
  pid_ = -1;
  if (WIFEXITED(status) && !run.timedOut) run.exitStatus = WEXITSTATUS(status);
  run.output = output_;
  return run;
}

ProgramRun runProgram(const std::string& program, std::string_view input,
                      const std::filesystem::path& workDir, std::chrono::milliseconds timeout) {
  ChildProgram child(program, workDir);
  child.send(input);
  return child.finish(timeout);
}

const char* kelmorBinary() {
  return KELMOR_BINARY;
}

ProgramRun runKelmor(std::string_view replies, const std::filesystem::path& workDir) {
  return runProgram(kelmorBinary(), replies, workDir);
}

std::filesystem::path testData(std::string_view name) {
  return std::filesystem::path(KELMOR_TEST_DATA) / name;
}

}  // namespace kelmor::test
