#include "run/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelmor {
namespace {

// Opens without blocking (a FIFO with no writer or reader must not hang the run), then
// switches the descriptor back to blocking I/O.
UniqueFd openNonBlocking(const std::string& name, int flags) {
  UniqueFd fd(::open(name.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
  if (fd.get() < 0) return fd;
  const int status = ::fcntl(fd.get(), F_GETFL);
  if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) < 0) return UniqueFd();
  return fd;
}

FileIdentity identityOf(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

bool closeDescriptor(int fd) {
  // No retry on EINTR: on Linux the descriptor is released whatever close returns.
  return ::close(fd) == 0;
}

std::ptrdiff_t FdSource::read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return got;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      // Left non-blocking by whoever opened it (a parent's standard input): wait for input.
      struct pollfd waiting {
        fd_, POLLIN, 0
      };
      if (::poll(&waiting, 1, -1) < 0 && errno != EINTR) return -1;
      continue;
    }
    if (errno != EINTR) return -1;
  }
}

Opened<InputFile> InputFile::open(const std::string& name) {
  if (!usableFileName(name)) return {std::nullopt, OpenError::kFailed};
  // The replies are read ahead of what each question takes, so the file or pipe they come from
  // cannot also be the spectrum: it would lose its start. Looked at before opening, which
  // could wait for a pipe's writer.
  struct stat named {};
  struct stat standardInput {};
  const bool exists = ::stat(name.c_str(), &named) == 0;
  if (exists && ::fstat(STDIN_FILENO, &standardInput) == 0 &&
      (S_ISREG(standardInput.st_mode) || S_ISFIFO(standardInput.st_mode)) &&
      identityOf(named) == identityOf(standardInput)) {
    return {std::nullopt, OpenError::kIsStandardInput};
  }
  // A named pipe is opened as its readers do: the open waits until a writer opens it (Ctrl-C
  // ends the wait). Opening it without blocking first would let a writer that is already
  // waiting write and leave before the pipe is read. Anything else is opened without blocking.
  const bool pipe = exists && S_ISFIFO(named.st_mode);
  InputFile file;
  file.fd_ = pipe ? UniqueFd(::open(name.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC))
                  : openNonBlocking(name, O_RDONLY);
  struct stat info {};
  if (file.fd_.get() < 0 || ::fstat(file.fd_.get(), &info) != 0) {
    return {std::nullopt, OpenError::kFailed};
  }
  // A pipe that appeared under the name after the look would have been opened without waiting
  // for its writer: refused like a device.
  if (!S_ISREG(info.st_mode) && !(pipe && S_ISFIFO(info.st_mode))) {
    return {std::nullopt, OpenError::kFailed};
  }
  file.size_ = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
  file.identity_ = identityOf(info);
  return {std::move(file), OpenError::kNone};
}

std::optional<std::uint64_t> InputFile::currentSize() const {
  struct stat info {};
  if (::fstat(fd_.get(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool truncateDescriptor(int fd) {
  return ::ftruncate(fd, 0) == 0;
}

Opened<OutputFile> OutputFile::open(const std::string& name, const InputFile& input) {
  if (!usableFileName(name)) return {std::nullopt, OpenError::kFailed};
  // Look before opening, so that the input file is not even opened for writing.
  struct stat info {};
  if (::stat(name.c_str(), &info) == 0 && identityOf(info) == input.identity()) {
    return {std::nullopt, OpenError::kIsInputFile};
  }
  OutputFile file;
  file.fd_ = openNonBlocking(name, O_WRONLY | O_CREAT);
  if (file.fd_.get() < 0 || ::fstat(file.fd_.get(), &info) != 0) {
    return {std::nullopt, OpenError::kFailed};
  }
  // Look again at what was opened: the name may have been changed to point at the input.
  if (identityOf(info) == input.identity()) return {std::nullopt, OpenError::kIsInputFile};
  file.regular_ = S_ISREG(info.st_mode);
  return {std::move(file), OpenError::kNone};
}

bool OutputFile::write(std::string_view text) {
  while (!failed_ && !text.empty()) {
    const ssize_t put = ::write(fd_.get(), text.data(), text.size());
    if (put > 0) {
      text.remove_prefix(static_cast<std::size_t>(put));
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      failed_ = true;
    }
  }
  return !failed_;
}

}  // namespace kelmor
