// The termination request of the session (SIGTERM, SIGINT), taken as an
// ordinary event instead of killing the process, so a close by the session
// still runs the normal shut-down and ends with exit code 0.
#pragma once

namespace stopsignal {

// Holds the termination signals back from every thread. Call first in main,
// before any thread starts, so that all threads inherit the mask.
void Block();

// Waits until a termination signal arrives (after Block()).
void Wait();

}  // namespace stopsignal
