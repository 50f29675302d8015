// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

#include <optional>

namespace donguri {

// Knowledge base files the user pointed the program at that were not there then. The first call
// on one makes it, empty; the first question answered from it is preceded by a word that a new
// file was made, so that a mistyped name is noticed at once instead of every question going to
// the teach window. A first start, which makes its default file, says nothing.
class NewKnowledgeBaseNotice
{
public:
    // Remembers `location` when it names a file that does not exist (a server address never).
    void watch(const QString &location);

    // Once the file `location` names has been made: the sentence that says so, once.
    std::optional<QString> announcement(const QString &location);

private:
    QSet<QString> m_awaited;
};

} // namespace donguri
