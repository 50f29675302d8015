#pragma once

#include "program_files.h"

#include <QString>

namespace donguri::kbtool {

// The two folders start-up looks in for donguri.ini, in the order it tries them.
struct DatabasePlaces
{
    ProgramFiles program;  // the folder the program files are in
    ProgramFiles userData; // the per-user data folder
};

// The knowledge base the program works on when started now: the first line of donguri.ini in
// the program folder, else in the user data folder, else the default file of the folder
// start-up would settle on. Only reads; a missing settings file is left missing.
QString configuredDatabase(const DatabasePlaces &places);

} // namespace donguri::kbtool
