#include "platform/settings/LockedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kv {
namespace {

// Reads everything from `fd` (positioned at the start) into `out`.
bool ReadAll(int fd, std::string& out) {
  out.clear();
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The file a path finally names: symbolic links are followed so that the rename replaces the
// file, not the link. A path that does not exist yet is used as given.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

FileStatus ReadWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileStatus::kNotFound : FileStatus::kIoError;
  bool ok = ReadAll(fd, contents);
  ::close(fd);
  if (!ok) contents.clear();
  return ok ? FileStatus::kOk : FileStatus::kIoError;
}

LockedFile::~LockedFile() {
  Release();
}

void LockedFile::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
}

FileStatus LockedFile::Open(const std::string& path, bool create) {
  Release();
  contents_.clear();
  // Another writer may rename a new version over the path between our open and our lock; the
  // lock we then hold is on a file nobody will read again, so check and start over. Each round
  // follows a completed replacement, so the loop ends as soon as writers pause.
  for (;;) {
    path_ = RealPath(path);
    int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    int fd = ::open(path_.c_str(), flags, 0600);
    if (fd < 0) return errno == ENOENT ? FileStatus::kNotFound : FileStatus::kIoError;
    int rc;
    do {
      rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    struct stat locked {};
    struct stat named {};
    if (rc != 0 || ::fstat(fd, &locked) != 0) {
      ::close(fd);
      return FileStatus::kIoError;
    }
    if (::stat(path_.c_str(), &named) != 0 || named.st_ino != locked.st_ino ||
        named.st_dev != locked.st_dev) {
      ::close(fd);
      if (!create && ::access(path_.c_str(), F_OK) != 0) return FileStatus::kNotFound;
      continue;
    }
    fd_ = fd;
    break;
  }
  if (!ReadAll(fd_, contents_)) {
    Release();
    contents_.clear();
    return FileStatus::kIoError;
  }
  return FileStatus::kOk;
}

namespace {

// The temporary files that replace `path`: ".NAME.new-" followed by six letters or digits.
std::string TemporaryPrefix(const std::string& path) {
  return "." + BaseNameOf(path) + ".new-";
}

// Removes the temporary files that writers killed between creating and renaming them left
// beside `path`: they would pile up, each a copy of the file (which may hold
// a password). Only the holder of the lock on the current file writes such a file, so under
// that lock every one found is a leftover.
void RemoveLeftoverTemporaries(const std::string& path) {
  const std::string dir = DirectoryOf(path);
  const std::string prefix = TemporaryPrefix(path);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      (void)::unlink((dir + "/" + name).c_str());
  }
  ::closedir(d);
}

}  // namespace

FileStatus LockedFile::Replace(std::string_view contents) {
  if (fd_ < 0) return FileStatus::kIoError;
  struct stat current {};
  if (::fstat(fd_, &current) != 0) return FileStatus::kIoError;

  RemoveLeftoverTemporaries(path_);
  // The temporary file lives beside the target so that the rename stays on one file system.
  std::string temp = DirectoryOf(path_) + "/" + TemporaryPrefix(path_) + "XXXXXX";
  int tfd = ::mkostemp(temp.data(), O_CLOEXEC);  // created with mode 0600
  if (tfd < 0) return FileStatus::kIoError;
  bool ok = ::fchmod(tfd, current.st_mode & 07777) == 0 && WriteAll(tfd, contents) &&
            ::fdatasync(tfd) == 0;
  ok = ::close(tfd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return FileStatus::kIoError;
  }
  // Writers waiting on the old inode's lock wake up, see that the path names a new inode and
  // start over on the new file.
  contents_.assign(contents);
  Release();
  return FileStatus::kOk;
}

DirectoryLock::DirectoryLock(const std::string& path) {
  std::string dir = DirectoryOf(RealPath(path));
  fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace kv
