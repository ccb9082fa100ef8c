// The file edge of the run: opening the spectrum and the report, reading and writing them.
// Every failure is reported as a value, never by an exception or errno left behind.
// files_posix.cc and files_windows.cc implement it. The spectrum is read in binary mode (bytes
// unchanged); the report is written in text mode (a line feed becomes the platform's line end).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "spectrum/byte_source.h"

namespace kelmor {

// A name with a NUL byte would open a shorter name than the one typed, so it is refused, and so
// is the empty name.
bool usableFileName(const std::string& name);

// Closes a descriptor (platform); false when the close reported an error.
bool closeDescriptor(int fd);
// Empties the regular file open on `fd` (platform); false on failure.
bool truncateDescriptor(int fd);

// Owns a file descriptor; closes it on destruction unless closed before.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return fd_; }
  // Closes now; false when the close reported an error (for a written file: data may be lost).
  bool close();

 private:
  int fd_ = -1;
};

// Which file an open descriptor refers to, whatever the path or link it was opened by.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Reads a descriptor it does not own (standard input). A descriptor in non-blocking mode is
// waited on, not taken as ended.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  std::ptrdiff_t read(char* buffer, std::size_t size) override;

 private:
  int fd_;
};

// Why an open failed.
enum class OpenError {
  kNone,
  kFailed,           // cannot be opened; for the input also: not a regular file or a pipe
  kIsStandardInput,  // the input named is the file or pipe standard input reads: refused, as
                     // the replies read ahead of it
  kIsInputFile,      // the output named is the open input file (any path or link to it);
                     // left untouched
};

template <typename File>
struct Opened {
  std::optional<File> file;
  OpenError error = OpenError::kNone;
};

// The spectrum file, opened for reading, bytes unchanged. Only a regular file or a pipe is
// accepted: a directory or a device (such as /dev/zero) fails to open. A named pipe is opened
// as its readers do: the open waits until a writer opens it.
class InputFile final : public ByteSource {
 public:
  // Compares the name with standard input before opening it, so that the check cannot block.
  static Opened<InputFile> open(const std::string& name);

  // As FdSource::read, and a read error too when a regular file ends before the size it had
  // when opened because it has been cut short meanwhile.
  std::ptrdiff_t read(char* buffer, std::size_t size) override;
  // The file's size in bytes when it is a regular file, else 0.
  std::uint64_t size() const { return size_; }
  const FileIdentity& identity() const { return identity_; }
  void close() { fd_.close(); }

 private:
  // The file's present size (platform), or nullopt when it cannot be told.
  std::optional<std::uint64_t> currentSize() const;

  UniqueFd fd_;
  std::uint64_t size_ = 0;
  std::uint64_t read_ = 0;  // bytes read so far
  FileIdentity identity_;
};

// The report file. Opening it creates it when missing but leaves an existing file's contents:
// they are replaced only when the report is ready to be written (truncate), so a run that
// fails before that keeps the previous report.
class OutputFile {
 public:
  // Opens without blocking: a named pipe without a reader fails at once.
  static Opened<OutputFile> open(const std::string& name, const InputFile& input);

  // Empties a regular file; false on failure, which counts as a write failure.
  bool truncate();
  // Writes all of `text`; false on any error. After an error further writes are skipped.
  bool write(std::string_view text);
  // Closes the file; false when a write or the close failed.
  bool close();

 private:
  UniqueFd fd_;
  bool regular_ = false;
  bool failed_ = false;
};

}  // namespace kelmor
