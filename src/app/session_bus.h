// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace donguri {

// Asked for the session bus of a session that names none and has none in its runtime folder,
// libdbus starts a bus of its own through the X display (dbus-launch --autolaunch), and that bus
// outlives the program. The program needs none: without a bus its socket answers a second start.
// So then the session bus address is set to one that fails at once. Runs before anything, Qt
// included, reaches for the session bus; the programs started from here inherit the address.
void keepSessionBusFromAutolaunching();

// The address to set instead, or nothing when `address` (DBUS_SESSION_BUS_ADDRESS) names a bus
// or `runtimeFolder` (XDG_RUNTIME_DIR) holds the user's own bus socket, where libdbus looks.
std::optional<QByteArray> addressWithoutAutolaunch(const QByteArray &address,
                                                   const QByteArray &runtimeFolder);

} // namespace donguri
