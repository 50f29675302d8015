// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "session_bus.h"

#include "app/app_log.h"

#include <sys/stat.h>
#include <unistd.h>

namespace donguri {

namespace {

// As libdbus checks it: the socket itself, not a link to one, and the user's own.
bool holdsOwnBusSocket(const QByteArray &busPath)
{
    struct stat status = {};
    return ::lstat(busPath.constData(), &status) == 0 && S_ISSOCK(status.st_mode)
           && status.st_uid == ::getuid();
}

// A D-Bus address value: every byte but [-0-9A-Za-z_/.*] is written as %XX.
QByteArray escapedAddressValue(const QByteArray &value)
{
    return value.toPercentEncoding("/*", "~");
}

} // namespace

std::optional<QByteArray> addressWithoutAutolaunch(const QByteArray &address,
                                                   const QByteArray &runtimeFolder)
{
    if (!address.isEmpty())
        return std::nullopt;
    // No runtime folder, no session to speak of: a transport libdbus does not know fails at once.
    if (runtimeFolder.isEmpty())
        return QByteArrayLiteral("disabled:");
    const QByteArray busPath = runtimeFolder + "/bus";
    if (holdsOwnBusSocket(busPath))
        return std::nullopt;
    // Where the session's bus would be: connecting fails at once while there is none.
    return "unix:path=" + escapedAddressValue(busPath);
}

void keepSessionBusFromAutolaunching()
{
    const std::optional<QByteArray> address =
        addressWithoutAutolaunch(qgetenv("DBUS_SESSION_BUS_ADDRESS"), qgetenv("XDG_RUNTIME_DIR"));
    if (!address)
        return;
    qCDebug(lcApp) << "no session bus; the program does without one, at" << *address;
    qputenv("DBUS_SESSION_BUS_ADDRESS", *address);
}

} // namespace donguri
