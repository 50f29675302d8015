#pragma once

#include "clock.h"
#include "document_window.h"
#include "drawn_character.h"
#include "file_chooser.h"
#include "link_opener.h"
#include "random_source.h"
#include "services.h"
#include "voice.h"

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
