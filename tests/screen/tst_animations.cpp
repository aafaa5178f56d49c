#include "InterpolatingSpring.h"

#include <QAnimationDriver>
#include <QCoreApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>

#include <cmath>
#include <memory>

// Advances every animation of this thread by exactly the time a test asks for.
class ManualAnimationClock : public QAnimationDriver
{
public:
    qint64 elapsed() const override { return m_elapsedMs; }
    void advanceBy(qint64 ms)
    {
        // Animations that just started join the clock through a queued call.
        QCoreApplication::processEvents();
        m_elapsedMs += ms;
        advance();
    }

private:
    qint64 m_elapsedMs = 0;
};

namespace {
// The spring's equation integrated numerically in small steps (classic Runge-Kutta): a check
// on the closed form that shares none of its algebra.
double integratedDisplacement(double mass, double stiffness, double damping, double x, double v,
                              double seconds)
{
    const int steps = 20000;
    const double h = seconds / steps;
    const auto acceleration = [&](double pos, double vel) {
        return -(damping * vel + stiffness * pos) / mass;
    };
    for (int i = 0; i < steps; ++i) {
        const double k1x = v, k1v = acceleration(x, v);
        const double k2x = v + h / 2 * k1v, k2v = acceleration(x + h / 2 * k1x, v + h / 2 * k1v);
        const double k3x = v + h / 2 * k2v, k3v = acceleration(x + h / 2 * k2x, v + h / 2 * k2v);
        const double k4x = v + h * k3v, k4v = acceleration(x + h * k3x, v + h * k3v);
        x += h / 6 * (k1x + 2 * k2x + 2 * k3x + k4x);
        v += h / 6 * (k1v + 2 * k2v + 2 * k3v + k4v);
    }
    return x;
}

// CSS-style cubic Bézier easing with control points (x1, y1) and (x2, y2), solved by bisection.
double cubicBezierEase(double x1, double y1, double x2, double y2, double progress)
{
    const auto at = [](double a, double b, double s) {
        return 3 * a * s * (1 - s) * (1 - s) + 3 * b * s * s * (1 - s) + s * s * s;
    };
    double low = 0, high = 1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (at(x1, x2, mid) < progress ? low : high) = mid;
    }
    return at(y1, y2, (low + high) / 2);
}
} // namespace

class AnimationsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clock = std::make_unique<ManualAnimationClock>();
        m_clock->install();
    }

    void cleanup()
    {
        m_clock->uninstall();
        m_clock.reset();
    }

    void oscillatorMatchesIntegrationInEveryRegime_data()
    {
        QTest::addColumn<double>("mass");
        QTest::addColumn<double>("stiffness");
        QTest::addColumn<double>("damping");
        QTest::addColumn<double>("velocity");
        QTest::newRow("ring spring, underdamped") << 1.0 << 60.0 << 15.0 << 0.0;
        QTest::newRow("underdamped with a push") << 2.0 << 100.0 << 4.0 << 30.0;
        QTest::newRow("critically damped") << 1.0 << 100.0 << 20.0 << -5.0;
        QTest::newRow("overdamped") << 1.0 << 10.0 << 30.0 << 12.0;
    }

    void oscillatorMatchesIntegrationInEveryRegime()
    {
        QFETCH(double, mass);
        QFETCH(double, stiffness);
        QFETCH(double, damping);
        QFETCH(double, velocity);
        const DampedOscillator oscillator(mass, stiffness, damping, 89, velocity);
        QCOMPARE(oscillator.displacementAt(0), 89.0);
        QVERIFY(std::abs(oscillator.velocityAt(0) - velocity) < 1e-9);
        for (double t : {0.05, 0.1, 0.25, 0.5, 1.0, 2.0}) {
            const double expected =
                integratedDisplacement(mass, stiffness, damping, 89, velocity, t);
            QVERIFY2(std::abs(oscillator.displacementAt(t) - expected) < 1e-6,
                     qPrintable(QStringLiteral("t=%1: %2 vs %3")
                                    .arg(t)
                                    .arg(oscillator.displacementAt(t))
                                    .arg(expected)));
        }
    }

    void springSamplesFollowTheClosedFormAtFixedTimes()
    {
        InterpolatingSpring spring;
        spring.setMass(1);
        spring.setStiffness(60);
        spring.setDamping(15);
        spring.setTarget(90);
        QCOMPARE(spring.value(), 90.0);
        QVERIFY(!spring.isRunning());

        spring.setTarget(1);
        QVERIFY(spring.isRunning());
        m_clock->advanceBy(0);
        qint64 now = 0;
        for (qint64 sampleMs : {100, 250, 500, 1000}) {
            m_clock->advanceBy(sampleMs - now);
            now = sampleMs;
            const double expected = 1 + integratedDisplacement(1, 60, 15, 89, 0, sampleMs / 1000.0);
            QVERIFY2(std::abs(spring.value() - expected) < 1e-6,
                     qPrintable(QStringLiteral("%1 ms: %2 vs %3")
                                    .arg(sampleMs)
                                    .arg(spring.value())
                                    .arg(expected)));
        }
        // Settles exactly on the target and stops, so nothing keeps the renderer busy.
        for (int i = 0; i < 300 && spring.isRunning(); ++i)
            m_clock->advanceBy(16);
        QVERIFY(!spring.isRunning());
        QCOMPARE(spring.value(), 1.0);
    }

    void springRetargetsFromItsCurrentPositionAndVelocity()
    {
        InterpolatingSpring spring;
        spring.setMass(1);
        spring.setStiffness(60);
        spring.setDamping(15);
        spring.setTarget(90);
        spring.setTarget(1);
        m_clock->advanceBy(200);
        const double position = spring.value();
        const double velocity = spring.velocity();
        QVERIFY(velocity < 0);

        spring.setTarget(90);
        m_clock->advanceBy(0);
        QCOMPARE(spring.value(), position);
        m_clock->advanceBy(150);
        const double expected =
            90 + integratedDisplacement(1, 60, 15, position - 90, velocity, 0.15);
        QVERIFY2(std::abs(spring.value() - expected) < 1e-6,
                 qPrintable(QStringLiteral("%1 vs %2").arg(spring.value()).arg(expected)));
    }

    void growEasingIsTheCubicBezierEaseInOut()
    {
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Klonkel\n"
                          "Item { scale: 0.1; Behavior on scale { EaseInOutAnimation { "
                          "durationMs: 1000 } } }",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *item = qobject_cast<QQuickItem *>(object.get());
        // Through the property system, as QML writes it, so the Behavior sees the change.
        item->setProperty("scale", 1.0);
        m_clock->advanceBy(0);
        qint64 now = 0;
        for (qint64 sampleMs : {100, 250, 400, 500, 750, 900}) {
            m_clock->advanceBy(sampleMs - now);
            now = sampleMs;
            const double expected =
                0.1 + 0.9 * cubicBezierEase(0.42, 0, 0.58, 1, sampleMs / 1000.0);
            QVERIFY2(std::abs(item->scale() - expected) < 2e-3,
                     qPrintable(QStringLiteral("%1 ms: %2 vs %3")
                                    .arg(sampleMs)
                                    .arg(item->scale())
                                    .arg(expected)));
        }
        m_clock->advanceBy(200);
        QCOMPARE(item->scale(), 1.0);
    }

    void repeatingAnimationIgnoresChangesThatCancelOut()
    {
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Klonkel\n"
                          "RepeatingReversingAnimation { target: 1600; durationMs: 5000 }",
                          QUrl());
        std::unique_ptr<QObject> sweep(component.create());
        QVERIFY2(sweep, qPrintable(component.errorString()));

        sweep->setProperty("target", 45);
        sweep->setProperty("target", 1600);
        QCoreApplication::processEvents();
        QCOMPARE(sweep->property("running").toBool(), false);
        QCOMPARE(sweep->property("value").toDouble(), 1600.0);

        // A real change sweeps linearly there and back, forever.
        sweep->setProperty("target", 45);
        QCoreApplication::processEvents();
        QVERIFY(sweep->property("running").toBool());
        m_clock->advanceBy(0);
        const struct
        {
            qint64 atMs;
            double value;
        } samples[] = {{2500, 1600 - 1555 / 2.0},
                       {5000, 45},
                       {7500, 45 + 1555 / 2.0},
                       {10000, 1600},
                       {12500, 1600 - 1555 / 2.0}};
        qint64 now = 0;
        for (const auto &sample : samples) {
            m_clock->advanceBy(sample.atMs - now);
            now = sample.atMs;
            QVERIFY2(std::abs(sweep->property("value").toDouble() - sample.value) < 1e-6,
                     qPrintable(QStringLiteral("%1 ms: %2")
                                    .arg(sample.atMs)
                                    .arg(sweep->property("value").toDouble())));
        }
    }

private:
    std::unique_ptr<ManualAnimationClock> m_clock;
};

QTEST_MAIN(AnimationsTest)

#include "tst_animations.moc"
