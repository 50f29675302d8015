// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ask_key.h"

#include "app/app_log.h"

#include <QSettings>

#include <array>

namespace donguri {

namespace {

const QString AskKeySetting = QStringLiteral("desktop/askKey");

struct NamedKey
{
    const char16_t *name;
    quint32 keysym;
    const char16_t *xkbName;
};

// Keys that rarely mean anything else in a program, besides F1 … F24, letters and digits.
constexpr std::array OtherKeys{
    NamedKey{u"Space", 0x0020, u"space"},
    NamedKey{u"Pause", 0xff13, u"Pause"},
    NamedKey{u"Insert", 0xff63, u"Insert"},
    NamedKey{u"Print", 0xff61, u"Print"},
    NamedKey{u"Home", 0xff50, u"Home"},
    NamedKey{u"End", 0xff57, u"End"},
    NamedKey{u"PageUp", 0xff55, u"Prior"},
    NamedKey{u"PageDown", 0xff56, u"Next"},
    NamedKey{u"ScrollLock", 0xff14, u"Scroll_Lock"},
};

constexpr quint32 KeysymF1 = 0xffbe;
constexpr int FunctionKeys = 24;

std::optional<unsigned> modifierNamed(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == u"super" || lower == u"meta" || lower == u"logo" || lower == u"win")
        return AskKey::Super;
    if (lower == u"ctrl" || lower == u"control")
        return AskKey::Ctrl;
    if (lower == u"alt")
        return AskKey::Alt;
    if (lower == u"shift")
        return AskKey::Shift;
    return std::nullopt;
}

bool setKeyNamed(const QString &name, AskKey &key)
{
    if (name.size() == 1 && name.at(0).isLetterOrNumber() && name.at(0).unicode() < 0x80) {
        const QString lower = name.toLower();
        key.keysym = lower.at(0).unicode(); // Latin-1 keysyms are the characters themselves
        key.xkbName = lower;
        return true;
    }
    if (name.size() >= 2 && name.at(0).toUpper() == u'F') {
        bool number = false;
        const int n = QStringView(name).mid(1).toInt(&number);
        if (number && n >= 1 && n <= FunctionKeys) {
            key.keysym = KeysymF1 + quint32(n - 1);
            key.xkbName = QStringLiteral("F") + QString::number(n);
            return true;
        }
    }
    for (const NamedKey &known : OtherKeys) {
        if (name.compare(QStringView(known.name), Qt::CaseInsensitive) == 0) {
            key.keysym = known.keysym;
            key.xkbName = QString::fromUtf16(known.xkbName);
            return true;
        }
    }
    return false;
}

} // namespace

AskKey AskKey::standard()
{
    return *parse(QStringLiteral("Super+F1"));
}

std::optional<AskKey> AskKey::parse(const QString &text)
{
    QStringList parts = text.split(u'+');
    for (QString &part : parts)
        part = part.trimmed();
    AskKey key;
    key.text = text.trimmed();
    const QString keyName = parts.takeLast();
    for (const QString &part : std::as_const(parts)) {
        const std::optional<unsigned> modifier = modifierNamed(part);
        if (!modifier)
            return std::nullopt;
        key.modifiers |= *modifier;
    }
    if (!setKeyNamed(keyName, key))
        return std::nullopt;
    return key;
}

std::optional<AskKey> AskKey::fromText(const QString &text)
{
    if (text.trimmed().compare(u"none", Qt::CaseInsensitive) == 0 || text.trimmed().isEmpty())
        return std::nullopt;
    std::optional<AskKey> key = parse(text);
    if (!key)
        qCWarning(lcApp) << "desktop/askKey in donguri.conf names no usable key:" << text
                         << "- no key is taken";
    return key;
}

// ~/.config/donguri/donguri.conf, the per-user choices; only read here, never written.
std::optional<AskKey> AskKey::fromPreferences()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("donguri"), QStringLiteral("donguri"));
    if (!settings.contains(AskKeySetting))
        return standard();
    return fromText(settings.value(AskKeySetting).toString());
}

QString AskKey::portalTrigger() const
{
    QStringList parts;
    if (modifiers & Ctrl)
        parts << QStringLiteral("CTRL");
    if (modifiers & Alt)
        parts << QStringLiteral("ALT");
    if (modifiers & Shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Super)
        parts << QStringLiteral("LOGO");
    parts << xkbName;
    return parts.join(u'+');
}

} // namespace donguri
