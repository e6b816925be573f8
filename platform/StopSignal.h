// The termination request of the session (SIGTERM, SIGINT), taken as an
// ordinary event instead of killing the process, so a close by the session
// still runs the normal shut-down and ends with exit code 0.
#pragma once

namespace stopsignal {

// Holds the termination signals back from every thread. Call first in main,
// before any thread starts, so that all threads inherit the mask. SIGPIPE is
// ignored as well: a write to a closed pipe or socket (the standard output of
// a session that went away) is an error return, never the end of the program.
void Block();

// Waits until a termination signal arrives (after Block()).
void Wait();

}  // namespace stopsignal
