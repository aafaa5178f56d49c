#pragma once

#include <functional>
#include <string_view>

namespace klonkel {

// Writes one line and a line feed to standard output at once, unbuffered, so a reader
// of a pipe sees it immediately. Lines arrive whole and in order, on a non-blocking output too;
// a closed or broken standard output is ignored, and a reader that stops reading holds a caller
// up for at most a quarter of a second (LineOutput says what becomes of the lines then).
void writeLine(std::string_view text);

// Where a part of playback writes its lines: writeLine in the program, a recorder in tests.
using LineOutput = std::function<void(std::string_view)>;

// Points any of descriptors 0, 1 and 2 that is closed at start to /dev/null. Otherwise the next
// file or socket opened would take that number, and the lines meant for standard output would
// be written into it. Call first thing in main().
void keepStandardStreamsReserved();

} // namespace klonkel
