// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri {

// Something a character holds or shows beside itself during an animation.
enum class Prop { None, Book, Pen, Gear, Question, ThoughtDots, Bulb, Sparkles, Hearts };

// One frame of a character, in parameters every character's drawing understands.
struct Pose
{
    double bob = 0;     // vertical offset in pixels, up is negative
    double tilt = 0;    // body lean in degrees
    double leftArm = 0; // 0 hanging down … 1 raised high
    double rightArm = 0;
    double eyesClosed = 0; // 0 open … 1 shut
    double gaze = 0;       // -1 looking left … 1 looking right
    double mouth = 0;      // 0 closed smile … 1 wide open
    bool frown = false;
    double scale = 1; // whole figure, for appearing and hiding
    double opacity = 1;
    int facing = 1; // 1 right, -1 left (mirrors the figure)
    Prop prop = Prop::None;
    double propPhase = 0; // 0 … 1, how far the prop's own motion has gone
};

// An animation is a pose for every moment of its run.
struct Animation
{
    int durationMs = 0;
    bool endsHidden = false;
};

// The animations every character knows; unknown names give nullopt-like durationMs 0.
Animation animationInfo(const QString &name);
bool isKnownAnimation(const QString &name);
// The pose of `name` at t in [0, 1] of its run, on top of the resting pose.
Pose animationPose(const QString &name, double t);
// The resting pose at `ms` since the character came to rest: slow breathing and a blink now
// and then.
Pose restingPose(qint64 ms);
// Appearing (t 0 → 1).
Pose appearingPose(double t);

} // namespace donguri
