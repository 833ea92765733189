// The program's online step on the background thread: notices and the update check, with the
// search window reached through the object directory.
#pragma once

namespace sorvik {

// Runs the notice download and the update check for the running program.
void RunProgramOnlineStep();

}  // namespace sorvik
