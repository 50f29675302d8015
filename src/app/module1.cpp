// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "module1.h"

#include "kb/question_service.h"
#include "ui/shared_state.h"

namespace donguri::Module1 {

void Main(SharedState &state, const DatabasePlaces &places,
          const std::function<void()> &showMainWindow)
{
    // A first run writes its settings file with the default path, so that there is one for the
    // settings window to show and rewrite.
    const DatabaseChoice choice = chooseDatabase(places, MissingSettings::Create);
    state.DatabasePath = choice.databasePath;
    state.SettingsFile = choice.settingsFile;
    state.Places = places;
    // A knowledge base the settings file names but that is not there is made by the first call,
    // empty, and the first answer says so. A first start makes its default one without a word.
    if (choice.settingsExisted)
        state.NewKnowledgeBases.watch(state.DatabasePath);
    // Every window reaches the knowledge base through this one service, on its own thread.
    if (!state.Questions)
        state.Questions = std::make_shared<QuestionService>();
    showMainWindow();
}

} // namespace donguri::Module1
