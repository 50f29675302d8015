// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace donguri {

class CharacterLoader;
class Clock;
class FileChooser;
class LinkOpener;
class RandomSource;

// What the windows reach outside themselves through; main() hands in the real ones, tests
// hand in doubles.
struct Services
{
    Clock &clock;
    RandomSource &random;
    CharacterLoader &characters;
    LinkOpener &links;
    FileChooser &files;
};

} // namespace donguri
