// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_character.h"

namespace donguri::testing {

QStringList CharacterLog::requests() const
{
    QStringList plain;
    for (const QString &entry : entries)
        plain << entry.section(QStringLiteral(": "), 1);
    return plain;
}

RecordingCharacter::RecordingCharacter(QString name, std::shared_ptr<CharacterLog> log)
    : m_name(std::move(name)), m_log(std::move(log))
{
}

void RecordingCharacter::Show()
{
    m_log->add(m_name + QStringLiteral(": Show"));
}
void RecordingCharacter::Speak(const QString &text)
{
    m_log->add(m_name + QStringLiteral(": Speak ") + text);
}
void RecordingCharacter::Play(const QString &animation)
{
    m_log->add(m_name + QStringLiteral(": Play ") + animation);
}
void RecordingCharacter::ShowText(const QString &text)
{
    m_log->add(m_name + QStringLiteral(": ShowText ") + text);
}
void RecordingCharacter::MoveTo(int x, int y)
{
    m_log->add(m_name + QStringLiteral(": MoveTo %1,%2").arg(x).arg(y));
}

std::shared_ptr<Character> RecordingLoader::Load(const QString &id, const QString &file)
{
    loads << QStringLiteral("Load %1 %2").arg(id, file).trimmed();
    const QStringList known = {QStringLiteral("Genie"), QStringLiteral("merlin"),
                               QStringLiteral("Peedy")};
    if (!known.contains(id))
        return nullptr;
    ++loadCount;
    return std::make_shared<RecordingCharacter>(QStringLiteral("%1#%2").arg(id).arg(loadCount),
                                                log);
}

} // namespace donguri::testing
