// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/database_location.h"
#include "settings/new_knowledge_base_notice.h"

#include <QString>

#include <memory>

namespace donguri {

class Character;
class QuestionService;

// The values every window of one run shares. Built once in main() and handed to each window.
class SharedState
{
public:
    SharedState();

    QString DatabasePath;
    QString SettingsFile;  // where donguri.ini was found or made at start-up
    DatabasePlaces Places; // the folders start-up looked in, for a path written on another system
    NewKnowledgeBaseNotice NewKnowledgeBases; // files the user named that are not made yet
    QString SearchWord;
    qint32 IdleCount = 0;
    std::shared_ptr<Character> CurrentCharacter;

    // The one way every window reaches the knowledge base. Start-up makes it; a run that did
    // not (a test of one window) gets one made at the first call.
    std::shared_ptr<QuestionService> Questions;
    QuestionService &questions();

    // The current character, or one that silently drops every request when none is loaded.
    Character &character();

private:
    std::shared_ptr<Character> m_silent;
};

} // namespace donguri
