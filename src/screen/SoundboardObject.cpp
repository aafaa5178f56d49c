#include "SoundboardObject.h"

namespace {
klonkel::Soundboard::ViewStep callable(const QJSValue &function)
{
    if (!function.isCallable())
        return {};
    return [function] { function.call(); };
}
} // namespace

void SoundboardObject::press(const QJSValue &viewStep)
{
    m_soundboard.press(callable(viewStep));
}

void SoundboardObject::appear(const QJSValue &viewStep)
{
    m_soundboard.appear(callable(viewStep));
}

void SoundboardObject::disappear()
{
    m_soundboard.disappear();
}
