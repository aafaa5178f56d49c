#pragma once

#include "PcmFormat.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

namespace klonkel {

// Decodes one audio file step by step, so a long clip never sits whole in memory.
class ClipDecoder
{
public:
    struct Opened
    {
        std::unique_ptr<ClipDecoder> decoder;
        std::string failure; // why, when decoder is empty; never shown to the user
    };

    virtual ~ClipDecoder() = default;
    ClipDecoder(const ClipDecoder &) = delete;
    ClipDecoder &operator=(const ClipDecoder &) = delete;

    // Appends PCM to out until it has grown by at least wantedBytes or the clip is over.
    virtual void decodeInto(QByteArray &out, qsizetype wantedBytes) = 0;
    virtual bool finished() const = 0;
    virtual const PcmFormat &format() const = 0;

protected:
    ClipDecoder() = default;
};

} // namespace klonkel
