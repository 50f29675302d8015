// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "character/drawn_character.h"
#include "character/voice.h"
#include "main_window/clock.h"
#include "main_window/document_window.h"
#include "main_window/link_opener.h"
#include "main_window/random_source.h"
#include "main_window/services.h"
#include "ui/file_chooser.h"

#include <memory>

namespace donguri {

// The real outside world the windows reach through when the program runs on a desktop: the
// system clock, a random source, the drawn characters with their voice, the desktop browser
// and the file dialog. Built once in main(); the start-up benchmark builds the same.
struct DesktopServices
{
    SystemClock clock;
    SystemRandom random;
    std::unique_ptr<PipelineVoice> voice = PipelineVoice::japanese();
    DesktopCharacterLoader characters{voice.get()};
    DesktopBrowser browser;
    DesktopLinkOpener links{browser};
    DialogFileChooser files;

    Services services() { return services(characters); }
    // The same, with the characters loaded through `loader` instead.
    Services services(CharacterLoader &loader) { return {clock, random, loader, links, files}; }
};

} // namespace donguri
