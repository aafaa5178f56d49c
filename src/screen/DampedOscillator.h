#pragma once

// The exact motion of a mass on a damped spring, m x'' + c x' + k x = 0, from a starting
// displacement and velocity. Springs that animate values follow it, so that the motion matches
// the physics rather than an approximation of it.
class DampedOscillator
{
public:
    DampedOscillator(double mass, double stiffness, double damping, double displacement,
                     double velocity);

    double displacementAt(double seconds) const;
    double velocityAt(double seconds) const;

private:
    enum class Regime { Underdamped, CriticallyDamped, Overdamped };

    Regime m_regime;
    // Underdamped: x = e^(-decay t) (a cos(w t) + b sin(w t)), w the damped frequency.
    // Critically damped: x = e^(-decay t) (a + b t).
    // Overdamped: x = a e^(r1 t) + b e^(r2 t), r1 and r2 the two real rates.
    double m_decayPerSecond = 0;
    double m_frequency = 0;
    double m_rate1 = 0;
    double m_rate2 = 0;
    double m_a = 0;
    double m_b = 0;
};
