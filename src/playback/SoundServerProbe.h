#pragma once

namespace klonkel {

// Whether a PulseAudio (or PipeWire) sound server answers right now. Qt 6.4's audio layer
// connects once, at first use, and never again if that failed; asking first lets a server
// that comes up later still be used.
bool soundServerAnswers();

} // namespace klonkel
