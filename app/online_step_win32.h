// The program's online step on the background thread: notices and the update check, with the
// search window reached through the object directory and the notices posted to it.
#pragma once

namespace sorvik {

// Runs the notice download and the update check for the running program.
void RunProgramOnlineStep();

}  // namespace sorvik
