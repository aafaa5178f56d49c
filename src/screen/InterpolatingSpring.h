#pragma once

#include "DampedOscillator.h"

#include <QAbstractAnimation>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

// A number that follows `target` like a mass on a damped spring. A change of target mid-flight
// starts a new motion from the current value and velocity, so presses in quick succession
// never make the value jump. Time comes from Qt's animation clock, so frames and tests agree.
class InterpolatingSpring : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double mass READ mass WRITE setMass NOTIFY parametersChanged)
    Q_PROPERTY(double stiffness READ stiffness WRITE setStiffness NOTIFY parametersChanged)
    Q_PROPERTY(double damping READ damping WRITE setDamping NOTIFY parametersChanged)
    // Extra starting speed of each motion, in distances to travel per second.
    Q_PROPERTY(double initialVelocity READ initialVelocity WRITE setInitialVelocity NOTIFY
                   parametersChanged)
    // The first target is taken as is; later ones are reached by the spring.
    Q_PROPERTY(double target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(double value READ value NOTIFY valueChanged)
    Q_PROPERTY(double velocity READ velocity NOTIFY valueChanged)
    Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)

public:
    explicit InterpolatingSpring(QObject *parent = nullptr);

    double mass() const { return m_mass; }
    void setMass(double mass);
    double stiffness() const { return m_stiffness; }
    void setStiffness(double stiffness);
    double damping() const { return m_damping; }
    void setDamping(double damping);
    double initialVelocity() const { return m_initialVelocity; }
    void setInitialVelocity(double velocity);

    double target() const { return m_target; }
    void setTarget(double target);
    double value() const { return m_value; }
    double velocity() const { return m_velocity; }
    bool isRunning() const;

signals:
    void parametersChanged();
    void targetChanged();
    void valueChanged();
    void runningChanged();

private:
    // Ticks with the animation clock for as long as the spring moves.
    class Clock : public QAbstractAnimation
    {
    public:
        explicit Clock(InterpolatingSpring *spring);
        int duration() const override { return -1; }

    protected:
        void updateCurrentTime(int currentTimeMs) override;

    private:
        InterpolatingSpring *m_spring;
    };

    void advanceTo(int elapsedMs);
    void settle();

    double m_mass = 1;
    double m_stiffness = 100;
    double m_damping = 10;
    double m_initialVelocity = 0;
    double m_target = 0;
    double m_value = 0;
    double m_velocity = 0;
    bool m_hasTarget = false;
    std::optional<DampedOscillator> m_motion;
    Clock *m_clock;
};
