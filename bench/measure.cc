// Runs one command in a new session (no controlling terminal), standard input from a file and
// standard output to /dev/null, and prints its wall time in seconds and its peak resident memory
// in KiB. Usage: kelmor_measure INPUT_FILE COMMAND [ARGS...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s INPUT_FILE COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    const int in = ::open(argv[1], O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0) ::_exit(126);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::execvp(argv[2], argv + 2);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return 1;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  std::printf("%.4f %ld\n", wall.count(), usage.ru_maxrss);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
