#pragma once

#include "program_files.h"

#include <functional>

namespace donguri {

class SharedState;

// Start-up: decides which knowledge base this run works on, then shows the main window.
namespace Module1 {

struct Places
{
    ProgramFiles program;  // the folder the program file is in
    ProgramFiles userData; // the per-user data folder, for when the program folder is read-only
};

void Main(SharedState &state, const Places &places, const std::function<void()> &showMainWindow);

} // namespace Module1
} // namespace donguri
