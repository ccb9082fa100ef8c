// The file edge on Windows: the CRT's descriptors, with the file identity taken from the
// volume serial number and the file index.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <utility>

#include "run/files.h"

namespace kelmor {
namespace {

std::optional<FileIdentity> identityOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    return std::nullopt;
  }
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<FileIdentity> identityOfFd(int fd) {
  return identityOf(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

// The identity of an existing file, looked up without opening it for reading or writing.
std::optional<FileIdentity> identityOfName(const std::string& name) {
  HANDLE handle =
      CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::optional<FileIdentity> identity = identityOf(handle);
  CloseHandle(handle);
  return identity;
}

}  // namespace

bool closeDescriptor(int fd) {
  return _close(fd) == 0;
}

std::ptrdiff_t FdSource::read(char* buffer, std::size_t size) {
  const unsigned chunk = size > 1u << 30 ? 1u << 30 : static_cast<unsigned>(size);
  return _read(fd_, buffer, chunk);
}

Opened<InputFile> InputFile::open(const std::string& name) {
  if (!usableFileName(name)) return {std::nullopt, OpenError::kFailed};
  // The replies are read ahead of what each question takes, so the file or pipe they come from
  // cannot also be the spectrum.
  const HANDLE standardInput = GetStdHandle(STD_INPUT_HANDLE);
  const DWORD standardType =
      standardInput == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(standardInput);
  if (standardType == FILE_TYPE_DISK || standardType == FILE_TYPE_PIPE) {
    const std::optional<FileIdentity> named = identityOfName(name);
    if (named && named == identityOf(standardInput)) {
      return {std::nullopt, OpenError::kIsStandardInput};
    }
  }
  InputFile file;
  file.fd_ = UniqueFd(_open(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
  struct _stat64 info {};
  if (file.fd_.get() < 0 || _fstat64(file.fd_.get(), &info) != 0) {
    return {std::nullopt, OpenError::kFailed};
  }
  const bool regular = (info.st_mode & _S_IFMT) == _S_IFREG;
  if (!regular && (info.st_mode & _S_IFMT) != _S_IFIFO) return {std::nullopt, OpenError::kFailed};
  const std::optional<FileIdentity> identity = identityOfFd(file.fd_.get());
  if (!identity) return {std::nullopt, OpenError::kFailed};
  file.size_ = regular ? static_cast<std::uint64_t>(info.st_size) : 0;
  file.identity_ = *identity;
  return {std::move(file), OpenError::kNone};
}

std::optional<std::uint64_t> InputFile::currentSize() const {
  struct _stat64 info {};
  if (_fstat64(fd_.get(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool truncateDescriptor(int fd) {
  return _chsize_s(fd, 0) == 0;
}

Opened<OutputFile> OutputFile::open(const std::string& name, const InputFile& input) {
  if (!usableFileName(name)) return {std::nullopt, OpenError::kFailed};
  if (identityOfName(name) == input.identity()) return {std::nullopt, OpenError::kIsInputFile};
  OutputFile file;
  file.fd_ = UniqueFd(
      _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_TEXT | _O_NOINHERIT, _S_IREAD | _S_IWRITE));
  if (file.fd_.get() < 0) return {std::nullopt, OpenError::kFailed};
  if (identityOfFd(file.fd_.get()) == input.identity()) {
    return {std::nullopt, OpenError::kIsInputFile};
  }
  struct _stat64 info {};
  if (_fstat64(file.fd_.get(), &info) != 0) return {std::nullopt, OpenError::kFailed};
  file.regular_ = (info.st_mode & _S_IFMT) == _S_IFREG;
  return {std::move(file), OpenError::kNone};
}

bool OutputFile::write(std::string_view text) {
  while (!failed_ && !text.empty()) {
    const unsigned chunk = text.size() > 1u << 30 ? 1u << 30 : static_cast<unsigned>(text.size());
    const int put = _write(fd_.get(), text.data(), chunk);
    if (put > 0) {
      text.remove_prefix(static_cast<std::size_t>(put));
    } else {
      failed_ = true;
    }
  }
  return !failed_;
}

}  // namespace kelmor
