// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

namespace donguri {

// A desktop character. Every request returns at once; the character performs its requests one
// after another in the order they were made.
class Character
{
public:
    virtual ~Character() = default;
    virtual void Show() = 0;
    virtual void Speak(const QString &text) = 0;
    virtual void Play(const QString &animation) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // Shows the text in the balloon as Speak does, without saying it aloud: for what the user
    // has heard already. A character without a voice speaks it.
    virtual void ShowText(const QString &text) { Speak(text); }
};

// A character nobody sees or hears: it lets every request go. Speaking to it is speaking to no
// character at all.
class SilentCharacter final : public Character
{
public:
    void Show() override {}
    void Speak(const QString &) override {}
    void Play(const QString &) override {}
    void MoveTo(int, int) override {}
};

// Loads a character by id ("Genie", "merlin", "Peedy") from its definition file name; null when
// there is no such character.
class CharacterLoader
{
public:
    virtual ~CharacterLoader() = default;
    virtual std::shared_ptr<Character> Load(const QString &id, const QString &file) = 0;
};

} // namespace donguri
