#pragma once

#include <string_view>

namespace klonkel {

// Writes one line and a line feed to standard output at once, unbuffered, so a reader
// of a pipe sees it immediately. A closed or broken standard output is ignored.
void writeLine(std::string_view text);

} // namespace klonkel
