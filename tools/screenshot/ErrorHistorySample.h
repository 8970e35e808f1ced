#pragma once

namespace kv {

// A procedure that shows the error history window for screenshots: over a window "Products"
// it records three messages in the history without showing them, then raises "No Records",
// which the history shows in the error window "No Records" (buttons ?BUTTON8 "O&k"); after
// that it opens the history on demand, "Errors History" (?BUTTON8 "&Help", ?BUTTON7 "O&k").
// Runs on the calling logical thread and returns when both windows were answered.
void ErrorHistorySample();

}  // namespace kv
