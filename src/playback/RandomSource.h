#pragma once

#include <cstdint>

namespace klonkel {

// Where the shuffle's raw 64-bit values come from; tests put a scripted source in.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual std::uint64_t draw() = 0;
};

// Eight bytes from the operating system's random source per draw (SystemEntropy). Without any
// source the process ends with a line on standard error and a failure status.
class SystemRandomSource final : public RandomSource
{
public:
    std::uint64_t draw() override;
};

RandomSource &randomSource();

// Replaces the process-wide random source for its own lifetime.
class ScopedRandomSource
{
public:
    explicit ScopedRandomSource(RandomSource &source);
    ~ScopedRandomSource();
    ScopedRandomSource(const ScopedRandomSource &) = delete;
    ScopedRandomSource &operator=(const ScopedRandomSource &) = delete;

private:
    RandomSource *m_previous;
};

} // namespace klonkel
