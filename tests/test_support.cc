#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelmor::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kelmor-test-XXXXXX").string();
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

ProgramRun runProgram(const std::string& program, std::string_view input,
                      const std::filesystem::path& workDir, std::chrono::milliseconds timeout) {
  int toChild[2];
  int fromChild[2];
  if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::setsid();  // no controlling terminal: the key wait must end at once
    ::dup2(toChild[0], STDIN_FILENO);
    ::dup2(fromChild[1], STDOUT_FILENO);
    if (::chdir(workDir.c_str()) != 0) ::_exit(126);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  ::signal(SIGPIPE, SIG_IGN);  // the child may exit before taking all its input

  ProgramRun run;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int writeFd = toChild[1];
  if (input.empty()) {
    ::close(writeFd);
    writeFd = -1;
  }
  for (;;) {
    std::array<pollfd, 2> fds{{{fromChild[0], POLLIN, 0}, {writeFd, POLLOUT, 0}}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      run.timedOut = true;
      break;
    }
    if (::poll(fds.data(), writeFd >= 0 ? 2 : 1, static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (writeFd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t put = ::write(writeFd, input.data(), input.size());
      if (put > 0) input.remove_prefix(static_cast<std::size_t>(put));
      if (put < 0 || input.empty()) {
        ::close(writeFd);
        writeFd = -1;
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      std::array<char, 4096> chunk{};
      const ssize_t got = ::read(fromChild[0], chunk.data(), chunk.size());
      if (got <= 0) break;
      run.output.append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  if (writeFd >= 0) ::close(writeFd);
  ::close(fromChild[0]);
  int status = 0;
  for (;;) {  // the child may close its output and still run: the deadline holds here too
    if (::waitpid(pid, &status, WNOHANG) == pid) break;
    if (run.timedOut || std::chrono::steady_clock::now() >= deadline) {
      run.timedOut = true;
      ::kill(-pid, SIGKILL);  // the whole session the child leads
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    ::usleep(2000);
  }
  if (WIFEXITED(status) && !run.timedOut) run.exitStatus = WEXITSTATUS(status);
  return run;
}

ProgramRun runKelmor(std::string_view replies, const std::filesystem::path& workDir) {
  return runProgram(KELMOR_BINARY, replies, workDir);
}

std::filesystem::path testData(std::string_view name) {
  return std::filesystem::path(KELMOR_TEST_DATA) / name;
}

}  // namespace kelmor::test
