// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pose.h"

#include <QHash>

#include <cmath>
#include <functional>

namespace donguri {

namespace {

constexpr double Pi = 3.14159265358979323846;

double wave(double t, double cycles)
{
    return std::sin(2 * Pi * cycles * t);
}
// Rises from 0 to 1 over the first `edge` of the run, falls back over the last `edge`.
double envelope(double t, double edge = 0.2)
{
    if (t < edge)
        return t / edge;
    if (t > 1 - edge)
        return (1 - t) / edge;
    return 1;
}

using PoseFunction = std::function<void(Pose &, double)>;

struct Definition
{
    int durationMs;
    PoseFunction apply;
    bool endsHidden = false;
};

const QHash<QString, Definition> &definitions()
{
    // clang-format off
    static const QHash<QString, Definition> table = {
        {QStringLiteral("announce"), {1400, [](Pose &p, double t) {
             const double e = envelope(t, 0.25);
             p.leftArm = p.rightArm = 0.95 * e;
             p.mouth = 0.8 * e;
             p.bob = -6 * e;
             p.prop = Prop::Sparkles;
             p.propPhase = t;
         }}},
        {QStringLiteral("read"), {1800, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::Book;
             p.propPhase = e;
             p.leftArm = p.rightArm = 0.22 * e;
             p.gaze = 0.3 * wave(t, 1.5) * e;
             p.eyesClosed = 0.35 * e;
             p.tilt = 4 * e;
         }}},
        {QStringLiteral("readcontinued"), {2200, [](Pose &p, double t) {
             const double e = envelope(t, 0.12);
             p.prop = Prop::Book;
             p.propPhase = e;
             p.leftArm = 0.22 * e;
             p.rightArm = (0.22 + 0.3 * std::max(0.0, wave(t, 2))) * e; // turning pages
             p.gaze = 0.5 * wave(t, 2) * e;
             p.eyesClosed = 0.35 * e;
             p.mouth = 0.3 * std::abs(wave(t, 6)) * e;
         }}},
        {QStringLiteral("decline"), {1500, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.tilt = 9 * wave(t, 3) * e;
             p.gaze = -0.6 * wave(t, 3) * e;
             p.frown = t > 0.05 && t < 0.95;
             p.leftArm = p.rightArm = 0.15 * e;
             p.bob = 3 * e;
         }}},
        {QStringLiteral("write"), {2000, [](Pose &p, double t) {
             const double e = envelope(t, 0.12);
             p.prop = Prop::Pen;
             p.propPhase = t;
             p.rightArm = (0.4 + 0.12 * wave(t, 6)) * e;
             p.gaze = 0.5 * e;
             p.eyesClosed = 0.3 * e;
             p.tilt = 5 * e;
         }}},
        {QStringLiteral("greet"), {1600, [](Pose &p, double t) {
             const double bow = std::max(0.0, std::sin(Pi * std::min(1.0, t * 1.6)));
             p.tilt = 18 * bow;
             p.bob = 4 * bow;
             p.eyesClosed = 0.8 * bow;
             const double e = envelope(t, 0.2);
             p.rightArm = t > 0.5 ? (0.8 + 0.15 * wave(t, 4)) * e : 0;
             p.mouth = 0.5 * e;
         }}},
        {QStringLiteral("process"), {2000, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::Gear;
             p.propPhase = t;
             p.leftArm = p.rightArm = 0.3 * e;
             p.eyesClosed = 0.5 * e;
             p.bob = -2 * std::abs(wave(t, 4)) * e;
         }}},
        {QStringLiteral("wave"), {1600, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.rightArm = (0.85 + 0.15 * wave(t, 4)) * e;
             p.tilt = -4 * wave(t, 4) * e;
             p.mouth = 0.6 * e;
         }}},
        {QStringLiteral("hide"), {900, [](Pose &p, double t) {
             p.scale = 1 - t;
             p.opacity = 1 - t;
             p.bob = -20 * t;
             p.eyesClosed = t;
         }, true}},
        {QStringLiteral("idle2_1"), {2400, [](Pose &p, double t) {
             const double e = envelope(t, 0.2);
             p.gaze = (t < 0.5 ? -0.8 : 0.8) * e;
             p.tilt = (t < 0.5 ? -3 : 3) * e;
             p.leftArm = p.rightArm = 0.1 * e;
         }}},
        {QStringLiteral("blink"), {500, [](Pose &p, double t) {
             p.eyesClosed = std::sin(Pi * t);
         }}},
        {QStringLiteral("confused"), {1800, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::Question;
             p.propPhase = t;
             p.tilt = -12 * e;
             p.leftArm = 0.55 * e;
             p.gaze = 0.4 * wave(t, 1) * e;
             p.frown = true;
         }}},
        {QStringLiteral("think"), {2000, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::ThoughtDots;
             p.propPhase = t;
             p.rightArm = 0.5 * e;
             p.gaze = -0.7 * e;
             p.tilt = 6 * e;
         }}},
        {QStringLiteral("explain"), {1800, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::Bulb;
             p.propPhase = t;
             p.leftArm = (0.6 + 0.1 * wave(t, 3)) * e;
             p.mouth = 0.5 * std::abs(wave(t, 5)) * e;
             p.gaze = 0.6 * e;
         }}},
        {QStringLiteral("pleased"), {1500, [](Pose &p, double t) {
             const double e = envelope(t, 0.15);
             p.prop = Prop::Hearts;
             p.propPhase = t;
             p.bob = -14 * std::abs(wave(t, 2)) * e;
             p.eyesClosed = 0.85 * e;
             p.mouth = 0.7 * e;
             p.leftArm = p.rightArm = 0.7 * e;
         }}},
    };
    // clang-format on
    return table;
}

} // namespace

bool isKnownAnimation(const QString &name)
{
    return definitions().contains(name);
}

Animation animationInfo(const QString &name)
{
    const auto it = definitions().constFind(name);
    if (it == definitions().cend())
        return {};
    return {it->durationMs, it->endsHidden};
}

Pose animationPose(const QString &name, double t)
{
    Pose pose;
    const auto it = definitions().constFind(name);
    if (it != definitions().cend())
        it->apply(pose, std::clamp(t, 0.0, 1.0));
    return pose;
}

Pose restingPose(qint64 ms)
{
    Pose pose;
    pose.bob = 1.5 * std::sin(2 * Pi * double(ms) / 3200.0);
    // a blink of 160 ms every 4.1 s
    const qint64 inCycle = ms % 4100;
    if (inCycle > 3940)
        pose.eyesClosed = std::sin(Pi * double(inCycle - 3940) / 160.0);
    return pose;
}

Pose appearingPose(double t)
{
    Pose pose;
    t = std::clamp(t, 0.0, 1.0);
    pose.opacity = t;
    pose.scale = 0.3 + 0.7 * t + 0.08 * std::sin(Pi * t);
    pose.prop = Prop::Sparkles;
    pose.propPhase = t;
    return pose;
}

} // namespace donguri
