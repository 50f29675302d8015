// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Module1: start-up, which picks the knowledge base and shows the question bar.
#pragma once

#include "settings/database_location.h"

#include <functional>

namespace donguri {

class SharedState;

// Start-up: decides which knowledge base this run works on, then shows the main window.
namespace Module1 {

void Main(SharedState &state, const DatabasePlaces &places,
          const std::function<void()> &showMainWindow);

} // namespace Module1
} // namespace donguri
