#include "Soundboard.h"

#include "ClipDeck.h"
#include "Playlist.h"
#include "SoundServerOutput.h"
#include "SystemRandomSource.h"

#include <QCoreApplication>

#include <chrono>

namespace klonkel {

namespace {
// A new order is shuffled as the screen first appears: reading its first clip ahead (loading the
// decoder, reaching the sound server, decoding) waits until the first frame has been drawn, so
// as not to compete with it for the processor.
constexpr std::chrono::milliseconds readAheadAfterAppearing{200};
// After a press, reading the next clip waits this long: decoding it and opening its stream would
// compete for the processor with the clip's own start and the press's first frames. Even presses
// 20 a second apart find the next clip ready.
constexpr std::chrono::milliseconds readAheadAfterPress{25};
} // namespace

Soundboard::Soundboard()
    : Soundboard(std::make_unique<SystemRandomSource>(), std::make_unique<SoundServerOutput>(),
                 klonkel::writeLine)
{
}

Soundboard::Soundboard(std::unique_ptr<RandomSource> random, std::unique_ptr<ClipOutput> output,
                       LineOutput writeLine)
    : m_random(std::move(random)), m_writeLine(std::move(writeLine)),
      m_playlist(std::make_unique<Playlist>(*m_random, m_writeLine)),
      m_deck(std::make_unique<ClipDeck>(
          std::move(output), [this] { return m_playlist->nextClipName(); }, m_writeLine))
{
    // The first clip is read ahead as soon as the event loop runs, unless the screen's appearance
    // asks for it later.
    m_deck->readAheadAfter({});
}

Soundboard::~Soundboard() = default;

void Soundboard::press(const ViewStep &viewStep)
{
    m_writeLine("button Tapped");
    m_playlist->checkPlaylist();
    if (viewStep)
        viewStep();
    m_deck->playClip(m_playlist->clipAtPlayIndex());
    m_playlist->advancePlayIndex();
    m_deck->readAheadAfter(readAheadAfterPress);
}

void Soundboard::appear(const ViewStep &viewStep)
{
    m_writeLine("ContentView appeared!");
    m_playlist->shuffleClipNames();
    m_deck->readAheadAfter(readAheadAfterAppearing);
    if (viewStep)
        viewStep();
    m_playlist->printPlaylist();
}

void Soundboard::disappear()
{
    m_writeLine("ContentView disappeared!");
    m_deck->stopClip();
    // Qt then takes the window down in order and main() returns 0.
    QCoreApplication::exit(0);
}

} // namespace klonkel
