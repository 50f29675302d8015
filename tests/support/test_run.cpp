#include "test_run.h"

namespace donguri::testing {

TestRun::TestRun()
{
    state.DatabasePath = dir.filePath(QStringLiteral("どんぐりくん.mdb"));
    state.SettingsFile = dir.filePath(QStringLiteral("donguri.ini"));
}

TestRun::~TestRun() = default;

Services TestRun::services()
{
    return Services{clock, random, characters, links, chooser};
}

std::unique_ptr<Form1> TestRun::startMainWindow()
{
    return std::make_unique<Form1>(state, services());
}

} // namespace donguri::testing
