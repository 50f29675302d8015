// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

#include <xcb/xcb.h>

#include <utility>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

// Qt's options that take a value; QApplication removes them with their value.
const QStringList QtOptionsWithValue = {
    u"-platform"_s,      u"-platformpluginpath"_s,
    u"-platformtheme"_s, u"-plugin"_s,
    u"-display"_s,       u"-style"_s,
    u"-stylesheet"_s,    u"-qwindowgeometry"_s,
    u"-qwindowtitle"_s,  u"-qwindowicon"_s,
    u"-session"_s,       u"-geometry"_s,
};

bool isX11(const QString &platform)
{
    return platform == u"xcb";
}

bool isWayland(const QString &platform)
{
    return platform.startsWith(u"wayland");
}

// Wayland's socket: WAYLAND_DISPLAY (a name in the runtime folder, or a full path), by default
// "wayland-0".
bool waylandSocketExists(const DisplayEnvironment &environment)
{
    const QString name =
        environment.waylandDisplay.isEmpty() ? u"wayland-0"_s : environment.waylandDisplay;
    if (QDir::isAbsolutePath(name))
        return QFileInfo::exists(name);
    return !environment.runtimeDir.isEmpty()
           && QFileInfo::exists(environment.runtimeDir + u'/' + name);
}

// The connection that found the X server answering. It stays open until Qt has its own: an X
// server whose last client leaves resets itself (Xvfb does), and Qt would then find none.
xcb_connection_t *displayProbe = nullptr;

bool xServerAnswersAt(const QString &display)
{
    if (display.isEmpty())
        return false;
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return false;
    }
    closeDisplayProbe();
    displayProbe = connection;
    return true;
}

} // namespace

void closeDisplayProbe()
{
    if (displayProbe)
        xcb_disconnect(std::exchange(displayProbe, nullptr));
}

CommandLine CommandLine::read(const QStringList &arguments)
{
    CommandLine commandLine;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--help" || argument == u"-h") {
            commandLine.request = Request::Help;
            break;
        }
        if (argument == u"--version") {
            commandLine.request = Request::Version;
            break;
        }
        const bool hasValue = i + 1 < arguments.size();
        if ((argument == u"-platform" || argument == u"--platform") && hasValue)
            commandLine.platform = arguments[++i];
        else if ((argument == u"-display" || argument == u"--display") && hasValue)
            commandLine.display = arguments[++i];
    }
    return commandLine;
}

QString usageText()
{
    return uR"(Usage: donguri [--help | --version]

どんぐりくん: a desktop character that looks words up in your knowledge base and tells you
their meaning. It takes no arguments; it keeps its settings in donguri.ini next to the program
(for an installed copy in ~/.local/share/donguri/). Qt's own options, such as -platform NAME
or -display NAME, are understood.

  -h, --help   show this text
  --version    show the version
)"_s;
}

QString versionText()
{
    return u"donguri %1\n"_s.arg(QStringLiteral(DONGURI_VERSION));
}

std::optional<QString> unexpectedArgument(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (QtOptionsWithValue.contains(arguments[i])) {
            ++i; // Qt's option and its value
            continue;
        }
        return u"donguri: unknown argument %1 (donguri takes none; see donguri --help)"_s.arg(
            arguments[i]);
    }
    return std::nullopt;
}

DisplayEnvironment DisplayEnvironment::current()
{
    DisplayEnvironment environment;
    environment.qpaPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    environment.x11Display = qEnvironmentVariable("DISPLAY");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    environment.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    environment.xServerAnswers = &xServerAnswersAt;
    QStringList pluginFolders =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    pluginFolders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    for (const QString &folder : std::as_const(pluginFolders)) {
        if (!QDir(folder + u"/platforms"_s)
                 .entryList({u"libqwayland*.so"_s}, QDir::Files)
                 .isEmpty())
            environment.waylandPluginInstalled = true;
    }
    return environment;
}

QString preferredPlatforms(const DisplayEnvironment &environment)
{
    if (!environment.qpaPlatform.isEmpty())
        return {};
    if (environment.sessionType != u"wayland" && environment.waylandDisplay.isEmpty())
        return {};
    return u"xcb;wayland"_s;
}

std::optional<QString> displayProblem(const CommandLine &commandLine,
                                      const DisplayEnvironment &environment)
{
    // The platforms Qt will try, in order: -platform, else QT_QPA_PLATFORM (with the program's
    // own choice), else its default, X11.
    QString platforms = commandLine.platform;
    if (platforms.isEmpty())
        platforms = environment.qpaPlatform;
    if (platforms.isEmpty())
        platforms = preferredPlatforms(environment);
    if (platforms.isEmpty())
        platforms = u"xcb"_s;

    const QString x11Display =
        commandLine.display.isEmpty() ? environment.x11Display : commandLine.display;
    for (QString platform : platforms.split(u';', Qt::SkipEmptyParts)) {
        platform = platform.section(u':', 0, 0); // "xcb:option" names the plugin before the colon
        if (isX11(platform)) {
            if (environment.xServerAnswers && environment.xServerAnswers(x11Display))
                return std::nullopt;
        } else if (isWayland(platform)) {
            if (environment.waylandPluginInstalled && waylandSocketExists(environment))
                return std::nullopt;
        } else {
            return std::nullopt; // offscreen, vnc, eglfs …: Qt's business
        }
    }
    if (x11Display.isEmpty())
        return u"donguri: no display to show the character on (DISPLAY is not set, and no Wayland "
               "display can be used)"_s;
    return u"donguri: cannot connect to the X display %1, and no Wayland display can be used"_s.arg(
        x11Display);
}

} // namespace donguri
