// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "character.h"
#include "pose.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <deque>
#include <memory>

namespace donguri {

class CharacterArt;
class FigureWindow;
class SpeechBalloon;
class Voice;

// A character drawn by the program itself: a figure window and a speech balloon. Requests wait
// in a queue and are performed one after another, driven by a frame timer on the event loop.
class DrawnCharacter final : public QObject, public Character
{
    Q_OBJECT
public:
    // `voice` may be null (no speaking aloud); it must outlive the character.
    DrawnCharacter(const QString &id, std::unique_ptr<CharacterArt> art, QPoint home,
                   Voice *voice = nullptr);
    ~DrawnCharacter() override;

    void Show() override;
    void Speak(const QString &text) override;
    void ShowText(const QString &text) override;
    void Play(const QString &animation) override;
    void MoveTo(int x, int y) override;

    QString id() const { return m_id; }
    bool isBusy() const { return m_current.has_value() || !m_queue.empty(); }
    FigureWindow *figure() const { return m_figure.get(); }
    SpeechBalloon *balloon() const { return m_balloon.get(); }

    // Runs every request `factor` times as long (tests use a small factor).
    void setTimeScale(double factor) { m_timeScale = factor; }
    // Whether Speak is also heard; the user's choice, remembered between runs.
    void setVoiceEnabled(bool on);
    bool voiceEnabled() const { return m_voiceEnabled; }

    // A meaning may be a whole document, but a balloon is read at a glance and a voice is
    // listened to: the balloon shows the beginning of a long text (marked as cut), the voice
    // reads a shorter beginning, ended at a sentence where one is near.
    static constexpr qsizetype BalloonChars = 2000;
    static constexpr qsizetype SpokenChars = 400;
    static QString balloonText(const QString &text);
    static QString spokenText(const QString &text);

    // How long a spoken text stays readable: reading time grows with its length.
    static int revealMs(const QString &text);
    static int holdMs(const QString &text);

Q_SIGNALS:
    // A request has begun, as "Show", "Speak text", "Play name" or "MoveTo x,y".
    void requestStarted(const QString &description);
    void idle();

private:
    struct Request
    {
        enum class Kind { Show, Speak, Play, MoveTo } kind;
        QString text;
        QPoint target;
        bool aloud = true; // a Speak said by the voice too
    };

    void enqueue(Request request);
    void onFrame();
    void begin(Request request);
    void finishCurrent();
    double progress() const;
    int durationOf(const Request &request) const;
    void render(const Pose &pose);
    void updateBalloon();
    void scheduleFrames();

    QString m_id;
    std::unique_ptr<CharacterArt> m_art;
    std::unique_ptr<FigureWindow> m_figure;
    std::unique_ptr<SpeechBalloon> m_balloon;
    std::deque<Request> m_queue;
    std::optional<Request> m_current;
    int m_currentDurationMs = 0; // fixed when the request begins
    QPoint m_moveFrom;
    QElapsedTimer m_requestClock;
    QElapsedTimer m_restClock;
    QTimer m_frames;
    bool m_visible = false;
    double m_timeScale = 1.0;
    bool m_wasBusy = false;
    Voice *m_voice = nullptr;
    bool m_voiceEnabled = false;
};

// Makes the program's own characters; the file name only names the definition, nothing outside
// the program is read. Loading without a file name means "the character already on the
// desktop", so a window that loads its own character keeps talking through the one the user
// sees; only when there is none is a new one made for the id.
class DesktopCharacterLoader final : public CharacterLoader
{
public:
    explicit DesktopCharacterLoader(Voice *voice = nullptr) : m_voice(voice) {}
    std::shared_ptr<Character> Load(const QString &id, const QString &file) override;

private:
    Voice *m_voice;
    std::weak_ptr<DrawnCharacter> m_onStage;
};

} // namespace donguri
