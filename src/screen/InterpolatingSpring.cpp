#include "InterpolatingSpring.h"

#include <cmath>

namespace {
// Below these the motion is invisible (far under a pixel), so the spring stops and frees the
// renderer instead of ticking through an endless exponential tail.
constexpr double restDisplacement = 1e-3;
constexpr double restVelocityPerSecond = 1e-2;
} // namespace

InterpolatingSpring::Clock::Clock(InterpolatingSpring *spring)
    : QAbstractAnimation(spring), m_spring(spring)
{
}

void InterpolatingSpring::Clock::updateCurrentTime(int currentTimeMs)
{
    m_spring->advanceTo(currentTimeMs);
}

InterpolatingSpring::InterpolatingSpring(QObject *parent)
    : QObject(parent), m_clock(new Clock(this))
{
    connect(m_clock, &QAbstractAnimation::stateChanged, this, &InterpolatingSpring::runningChanged);
}

void InterpolatingSpring::setMass(double mass)
{
    if (mass == m_mass || !(mass > 0))
        return;
    m_mass = mass;
    emit parametersChanged();
}

void InterpolatingSpring::setStiffness(double stiffness)
{
    if (stiffness == m_stiffness || !(stiffness > 0))
        return;
    m_stiffness = stiffness;
    emit parametersChanged();
}

void InterpolatingSpring::setDamping(double damping)
{
    if (damping == m_damping || !(damping > 0))
        return;
    m_damping = damping;
    emit parametersChanged();
}

void InterpolatingSpring::setInitialVelocity(double velocity)
{
    if (velocity == m_initialVelocity || !std::isfinite(velocity))
        return;
    m_initialVelocity = velocity;
    emit parametersChanged();
}

bool InterpolatingSpring::isRunning() const
{
    return m_clock->state() == QAbstractAnimation::Running;
}

void InterpolatingSpring::setTarget(double target)
{
    if (!std::isfinite(target) || (m_hasTarget && target == m_target))
        return;
    m_target = target;
    emit targetChanged();
    if (!m_hasTarget) {
        m_hasTarget = true;
        m_value = target;
        emit valueChanged();
        return;
    }
    const double startVelocity = m_velocity + m_initialVelocity * (target - m_value);
    m_motion.emplace(m_mass, m_stiffness, m_damping, m_value - target, startVelocity);
    // Restarting puts the clock back to zero, the start of the new motion.
    m_clock->stop();
    m_clock->start();
}

void InterpolatingSpring::advanceTo(int elapsedMs)
{
    if (!m_motion)
        return;
    const double seconds = elapsedMs / 1000.0;
    const double displacement = m_motion->displacementAt(seconds);
    m_velocity = m_motion->velocityAt(seconds);
    if (std::abs(displacement) < restDisplacement && std::abs(m_velocity) < restVelocityPerSecond) {
        settle();
        return;
    }
    m_value = m_target + displacement;
    emit valueChanged();
}

void InterpolatingSpring::settle()
{
    m_motion.reset();
    m_value = m_target;
    m_velocity = 0;
    emit valueChanged();
    m_clock->stop();
}
