// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "character/character.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace donguri::testing {

// Every request of every recorded character, in order, as "Name: Request argument".
struct CharacterLog
{
    QStringList entries;
    // Called with each new entry as it is made, for tests that look at the world at that moment.
    std::function<void(const QString &)> onEntry;
    void add(const QString &entry)
    {
        entries << entry;
        if (onEntry)
            onEntry(entry);
    }
    // The same log without the character names, for tests that only care about the order.
    QStringList requests() const;
    void clear() { entries.clear(); }
};

class RecordingCharacter final : public Character
{
public:
    RecordingCharacter(QString name, std::shared_ptr<CharacterLog> log);
    void Show() override;
    void Speak(const QString &text) override;
    void Play(const QString &animation) override;
    void MoveTo(int x, int y) override;
    void ShowText(const QString &text) override;
    const QString &name() const { return m_name; }

private:
    QString m_name;
    std::shared_ptr<CharacterLog> m_log;
};

// Loads recording characters for the three known ids (and the empty file name of the correction
// window); logs each load as "Load id file".
class RecordingLoader final : public CharacterLoader
{
public:
    std::shared_ptr<Character> Load(const QString &id, const QString &file) override;

    std::shared_ptr<CharacterLog> log = std::make_shared<CharacterLog>();
    QStringList loads;
    int loadCount = 0;
};

} // namespace donguri::testing
