// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the program is asked on its command line, and whether it has a display to show itself on;
// both decided before Qt is started, since Qt cannot start without a display.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace donguri {

// The program takes no arguments for its work. --help and --version answer and end; Qt's own
// options (-platform, -display, -style …) are Qt's; anything else is a usage error.
struct CommandLine
{
    enum class Request { Run, Help, Version };
    Request request = Request::Run;
    QString platform; // -platform NAME, when given
    QString display;  // -display NAME, when given

    static CommandLine read(const QStringList &arguments);
};

QString usageText();
QString versionText();
// The line that tells which argument is not understood, when any is left after Qt took its own
// options from `arguments` (the program's name first).
std::optional<QString> unexpectedArgument(const QStringList &arguments);

// What decides where Qt would show the windows.
struct DisplayEnvironment
{
    QString qpaPlatform;    // QT_QPA_PLATFORM
    QString x11Display;     // DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString runtimeDir;     // XDG_RUNTIME_DIR
    QString sessionType;    // XDG_SESSION_TYPE
    // Whether an X server answers at that display name (an empty name means none given).
    std::function<bool(const QString &)> xServerAnswers;
    // Whether Qt can show windows through Wayland at all (its platform plugin is installed).
    bool waylandPluginInstalled = false;

    static DisplayEnvironment current();
};

// The platforms to ask Qt for, when the program decides: on a Wayland session X11 comes first
// (the character places itself at screen positions, which only X11 lets a program do) and
// Wayland serves where no XWayland runs. Empty when the user or the session decides.
QString preferredPlatforms(const DisplayEnvironment &environment);

// Ends the connection with which the current environment found its X server answering, once Qt has
// connected on its own.
void closeDisplayProbe();

// One line that says why no window can be shown, or nullopt when a display is there or the
// chosen platform needs none (offscreen, vnc …).
std::optional<QString> displayProblem(const CommandLine &commandLine,
                                      const DisplayEnvironment &environment);

} // namespace donguri
