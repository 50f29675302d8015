// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How the program introduces itself to the desktop it runs on.
#pragma once

class QApplication;
class QCoreApplication;

namespace donguri {

// Names the program to the desktop (application name, desktop entry, icon) and gives Qt's own
// texts in Japanese. Every window then shows exactly its own caption.
void introduceToDesktop(QApplication &app);

// Installs Qt's Japanese translation whatever the user's language, since every text the program
// writes itself is Japanese. False when the translation is not installed (Qt's texts then stay
// English).
bool installQtJapanese(QCoreApplication &app);

} // namespace donguri
