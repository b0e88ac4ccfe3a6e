// The tree classifier's program entry.
#pragma once

// The whole program: options, reading, classification and report. Returns the exit status.
// The run has a thread of its own with a stack deep enough for any tree a file may hold.
int dravik_main(int argc, char** argv);
// The same run on the calling thread, whose stack must be deep enough for the tree read:
// for callers that make many runs on small files, to whom a thread per run is a cost.
int dravik_main_on_this_thread(int argc, char** argv);
