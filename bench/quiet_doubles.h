// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "character/character.h"
#include "main_window/link_opener.h"

#include <memory>

namespace donguri::bench {

// A character that takes every request and shows nothing, for benchmarks that time the windows.
class SilentLoader final : public CharacterLoader
{
public:
    std::shared_ptr<Character> Load(const QString &, const QString &) override
    {
        return std::make_shared<SilentCharacter>();
    }
};

// Links are never opened while a benchmark runs.
class NoLinks final : public LinkOpener
{
public:
    void open(const QString &, const QString &) override {}
};

} // namespace donguri::bench
