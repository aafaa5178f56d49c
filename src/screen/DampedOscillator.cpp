#include "DampedOscillator.h"

#include <cmath>

DampedOscillator::DampedOscillator(double mass, double stiffness, double damping,
                                   double displacement, double velocity)
    : m_decayPerSecond(damping / (2 * mass))
{
    const double naturalSquared = stiffness / mass;
    const double discriminant = m_decayPerSecond * m_decayPerSecond - naturalSquared;
    // Exactly critical damping is rare in floating point; treating near-critical values as
    // critical avoids dividing by a vanishing frequency.
    const double tolerance = 1e-12 * naturalSquared;
    if (discriminant < -tolerance) {
        m_regime = Regime::Underdamped;
        m_frequency = std::sqrt(-discriminant);
        m_a = displacement;
        m_b = (velocity + m_decayPerSecond * displacement) / m_frequency;
    } else if (discriminant > tolerance) {
        m_regime = Regime::Overdamped;
        const double root = std::sqrt(discriminant);
        m_rate1 = -m_decayPerSecond + root;
        m_rate2 = -m_decayPerSecond - root;
        m_b = (m_rate1 * displacement - velocity) / (m_rate1 - m_rate2);
        m_a = displacement - m_b;
    } else {
        m_regime = Regime::CriticallyDamped;
        m_a = displacement;
        m_b = velocity + m_decayPerSecond * displacement;
    }
}

double DampedOscillator::displacementAt(double seconds) const
{
    switch (m_regime) {
    case Regime::Underdamped:
        return std::exp(-m_decayPerSecond * seconds) *
               (m_a * std::cos(m_frequency * seconds) + m_b * std::sin(m_frequency * seconds));
    case Regime::CriticallyDamped:
        return std::exp(-m_decayPerSecond * seconds) * (m_a + m_b * seconds);
    case Regime::Overdamped:
        return m_a * std::exp(m_rate1 * seconds) + m_b * std::exp(m_rate2 * seconds);
    }
    return 0;
}

double DampedOscillator::velocityAt(double seconds) const
{
    switch (m_regime) {
    case Regime::Underdamped: {
        const double c = std::cos(m_frequency * seconds);
        const double s = std::sin(m_frequency * seconds);
        return std::exp(-m_decayPerSecond * seconds) *
               ((m_b * m_frequency - m_decayPerSecond * m_a) * c -
                (m_a * m_frequency + m_decayPerSecond * m_b) * s);
    }
    case Regime::CriticallyDamped:
        return std::exp(-m_decayPerSecond * seconds) *
               (m_b - m_decayPerSecond * (m_a + m_b * seconds));
    case Regime::Overdamped:
        return m_a * m_rate1 * std::exp(m_rate1 * seconds) +
               m_b * m_rate2 * std::exp(m_rate2 * seconds);
    }
    return 0;
}
