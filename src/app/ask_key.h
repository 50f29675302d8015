// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace donguri {

// The one key, pressed in any program, that asks about the selected text. Written as the user
// writes it in donguri.conf: modifiers and a key joined by "+", e.g. "Super+F1", "Ctrl+Alt+D".
struct AskKey
{
    enum Modifier : unsigned {
        Shift = 1U << 0,
        Ctrl = 1U << 1,
        Alt = 1U << 2,
        Super = 1U << 3,
    };
    unsigned modifiers = 0;
    quint32 keysym = 0; // the X keysym of the key itself
    QString xkbName;    // the key's name in the freedesktop shortcut notation
    QString text;       // as the user wrote it, for messages

    friend bool operator==(const AskKey &, const AskKey &) = default;

    // Super+F1: F1 alone is the question bar's own key.
    static AskKey standard();
    // std::nullopt for text that names no key this program can take.
    static std::optional<AskKey> parse(const QString &text);
    // The key donguri.conf chooses (desktop/askKey): the standard one when the file says
    // nothing; std::nullopt when it says "none" or names nothing usable, so no key is taken.
    static std::optional<AskKey> fromText(const QString &text);
    static std::optional<AskKey> fromPreferences();

    // The trigger the desktop's shortcut portal is offered, e.g. "LOGO+F1".
    QString portalTrigger() const;
};

} // namespace donguri
