#pragma once

#include <functional>
#include <string_view>

namespace klonkel {

// Writes one line and a line feed to standard output, unbuffered, so a reader of a pipe sees it
// as soon as it reads. Lines arrive whole and in order whatever the reader does, and the caller
// never waits for it: a reader that pauses gets them all once it reads again (LineWriter says
// what a reader far behind or gone costs). At exit the program waits up to a second for lines
// still queued.
void writeLine(std::string_view text);

// Waits up to a second for the lines queued to go out and drops the rest, whole. exit() and a
// return from main() do this on their own; a program that ends with _Exit calls it first.
void finishStandardOutput();

// Where a part of playback writes its lines: writeLine in the program, a recorder in tests.
using LineOutput = std::function<void(std::string_view)>;

// Points any of descriptors 0, 1 and 2 that is closed at start to /dev/null. Otherwise the next
// file or socket opened would take that number, and the lines meant for standard output would
// be written into it. Call first thing in main().
void keepStandardStreamsReserved();

} // namespace klonkel
