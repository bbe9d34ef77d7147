#pragma once

#include <atomic>

// Ctrl+C asks the running job to stop as the page's Cancel does: the handler only
// sets the job's Cancelled flag, and the workers stop at their next look at it. A
// second Ctrl+C ends the program at once (copies write temporary files that
// replace their targets only when complete, so no target is left half written).
namespace CancelSignal {

// Points SIGINT at the flag. The flag must live until Release.
void Install(std::atomic<bool>& cancelled);
// Gives SIGINT back its default action.
void Release();

} // namespace CancelSignal
