#pragma once
// The standard descriptors a program may be started without (`2>&-`, a daemon's launcher).

namespace tv {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Called first thing in
// main: otherwise the next file, socket or X connection opened takes the free number, and
// every line printed on stderr (or stdout) is written into it. Returns false when a closed
// one could not be filled (no /dev/null); the others are filled all the same.
bool ReopenClosedStdStreams();

}  // namespace tv
