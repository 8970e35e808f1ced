#pragma once

#include <string>
#include <string_view>

namespace kv {

// Outcome of a settings-file operation at the file level.
enum class FileStatus {
  kOk,
  kNotFound,  // the file does not exist (and was not to be created)
  kIoError,   // the operating system refused a read, write, lock or rename
};

// Reads the whole of `path` into `contents` without taking any lock. Writers replace settings
// files by an atomic rename, so a reader always sees one complete version of the file.
// Returns kOk, kNotFound when the file is missing (`contents` is then empty), or kIoError.
// Thread: any.
[[nodiscard]] FileStatus ReadWholeFile(const std::string& path, std::string& contents);

// One writer's exclusive hold on a small text file that it rewrites as a whole.
//
// `Open` takes an exclusive advisory lock (flock) on the file, so writers in this process and in
// other processes that use this class are serialised; it then reads the current contents.
// `Replace` writes new contents to a temporary file in the same directory and renames it over
// the original, so readers never see a half-written file. Because the rename gives the path a
// new inode, `Open` checks after locking that the path still names the inode it locked and
// starts again when another writer replaced it meanwhile.
//
// New files are created owner-readable and owner-writable only (mode 0600, further narrowed
// by the umask): settings files may hold a password. A replaced file keeps its permission bits.
// When the path is a symbolic link, the file it points to is locked and replaced.
//
// Not copyable. The lock is released by the destructor. Thread: one object per thread; several
// objects on the same path (in any threads or processes) exclude each other.
class LockedFile {
 public:
  LockedFile() = default;
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // Locks `path` and reads its contents. When the file is missing it is created empty if
  // `create` is true (kOk), else kNotFound is returned and nothing is held. kIoError when the
  // file cannot be opened, locked or read; nothing is held then either.
  [[nodiscard]] FileStatus Open(const std::string& path, bool create);

  // The contents read by the successful `Open` (or written by the last `Replace`).
  const std::string& Contents() const { return contents_; }

  // Atomically replaces the file's contents with `contents` (data is flushed to disk before the
  // rename) and ends the hold: a further change needs a new `Open`. On kIoError the file keeps
  // its previous contents and the hold continues. Requires a successful `Open`. First removes
  // the temporary files (".NAME.new-XXXXXX") that writers killed before their rename left.
  // Thread: the holder's.
  [[nodiscard]] FileStatus Replace(std::string_view contents);

 private:
  void Release();

  int fd_ = -1;       // the locked file, or -1
  std::string path_;  // the real path that was locked (symbolic links resolved)
  std::string contents_;
};

// An exclusive advisory hold (flock) on the directory that holds a file, for a read-modify-write
// of a settings file that spans several reads and rewrites (merging a saved list with what
// another process stored meanwhile). Holders of the same directory in this and in other
// processes exclude each other; LockedFile's hold on the file itself is independent of it, so
// the file can be read and rewritten while the directory is held. Best effort: when the
// directory cannot be opened or locked, nothing is held and Held() is false.
//
// The hold lasts until the object is destroyed. Not copyable. Thread: one object per thread.
class DirectoryLock {
 public:
  // Locks the directory of `path` (symbolic links followed; "." for a bare file name), waiting
  // for other holders.
  explicit DirectoryLock(const std::string& path);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace kv
