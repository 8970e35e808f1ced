#pragma once

#include <mutex>

namespace kv {

// A re-entrant lock: the thread that holds it may enter it again, and must leave it as often
// as it entered. Satisfies BasicLockable, so std::lock_guard and std::unique_lock work with it.
// Nothing may show a window or message box while holding a critical section.
class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // Blocks until the calling thread holds the section. Thread: any.
  void Enter() { mutex_.lock(); }
  // Releases one level of holding. Thread: the holder only.
  void Leave() { mutex_.unlock(); }

  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the life of the guard.
class CriticalGuard {
 public:
  explicit CriticalGuard(CriticalSection& section) : section_(section) { section_.Enter(); }
  ~CriticalGuard() { section_.Leave(); }
  CriticalGuard(const CriticalGuard&) = delete;
  CriticalGuard& operator=(const CriticalGuard&) = delete;

 private:
  CriticalSection& section_;
};

}  // namespace kv
