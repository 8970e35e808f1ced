#pragma once

#include <cstdint>

namespace kv {

// The record navigator of a form that runs without user interaction (BATCHPROCESSING): after
// the form has handled one record, the window manager asks it to move on. The window manager
// then saves the newly loaded primary buffer, redisplays the window and selects FIRSTFIELD.
// The interactive forms of the program have none.
//
// Thread: the form's logical thread only.
class FormNavigator {
 public:
  virtual ~FormNavigator() = default;

  // Loads the next record into the primary record buffer. `request` is the thread's pending
  // navigation request (VCRRequest; 0 when the form has none). Failures are the navigator's to
  // report; the form goes on with whatever the buffer then holds.
  virtual void Move(std::int32_t request) = 0;
};

}  // namespace kv
