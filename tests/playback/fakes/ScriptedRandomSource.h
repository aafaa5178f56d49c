#pragma once

#include "RandomSource.h"

#include <cstdint>
#include <deque>

// Hands out the draws it was given, then a fixed pseudo-random stream (splitmix64), counting
// every draw, so tests both steer single draws and get reproducible long shuffles.
class ScriptedRandomSource final : public klonkel::RandomSource
{
public:
    explicit ScriptedRandomSource(std::deque<std::uint64_t> script = {}) : m_script(script) {}

    std::uint64_t draw() override
    {
        ++m_draws;
        if (!m_script.empty()) {
            const std::uint64_t value = m_script.front();
            m_script.pop_front();
            return value;
        }
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }

    int draws() const { return m_draws; }

private:
    std::deque<std::uint64_t> m_script;
    std::uint64_t m_state = 0;
    int m_draws = 0;
};
