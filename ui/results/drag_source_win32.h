// The drag of result rows out to other programs: a worker thread of its own runs the system's
// drag-and-drop loop over a finished drag block, so that the search window keeps responding.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace sorvik {

// One drag: the block built on the main thread (see MakeDragBlock), handed over whole.
struct DragJob {
  HGLOBAL block = nullptr;  // the drag block; owned by the job until the thread ends
  size_t left_out = 0;      // selected paths that did not fit into the block
};

// Starts the worker thread for `job` and returns at once. The thread initialises OLE for itself,
// makes a hidden owner window, offers the block under the file-drop format and runs the drag
// loop allowing only the copy effect; afterwards it closes the window, tells the user how many
// paths were left out (if any) and frees the block. False (and the block freed) when no thread
// could be started.
bool StartDragThread(DragJob job);

// The text that tells the user how many selected files were left out of a drag.
std::string LeftOutText(size_t left_out);

}  // namespace sorvik
