// klonkel-press-floor: the floor of press-to-sound (see ToneStream), for press_latency.py to set
// beside the player: on each line of standard input it sounds a tone.
//   klonkel-press-floor

#include "ToneStream.h"

#include <cstdio>
#include <unistd.h>

int main()
{
    ToneStream stream;
    if (!stream.isConnected()) {
        std::fprintf(stderr, "no sound server\n");
        return 1;
    }
    char line[256];
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, line, sizeof line);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i)
            if (line[i] == '\n')
                stream.sound();
    }
    return 0;
}
