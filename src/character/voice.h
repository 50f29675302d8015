// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class QProcess;

namespace donguri {

// Speaks a text aloud. Saying returns at once; a new text cuts off the one before.
class Voice
{
public:
    virtual ~Voice() = default;
    virtual void say(const QString &text) = 0;
    virtual void stop() = 0;
};

// A voice made of child processes: the text goes in on the first one's standard input and each
// stage's output feeds the next (here: kanji to kana, then a speech synthesizer). The processes
// never touch the event loop, are killed when they overrun their time limit, and never outlive
// this object. Without the programs (or without audio) it simply stays silent.
class PipelineVoice final : public QObject, public Voice
{
    Q_OBJECT
public:
    struct Stage
    {
        QString program;
        QStringList arguments;
    };

    explicit PipelineVoice(QList<Stage> stages, QObject *parent = nullptr);
    ~PipelineVoice() override;

    // kakasi (kanji to hiragana) into espeak-ng's Japanese voice, as far as they are installed.
    static std::unique_ptr<PipelineVoice> japanese();

    void say(const QString &text) override;
    void stop() override;

    // The longest a text may take: a little per character, never unbounded.
    static int timeLimitMs(const QString &text);
    void setTimeLimitScale(double scale) { m_limitScale = scale; }
    bool isSpeaking() const;

Q_SIGNALS:
    void finished(bool completed);

private:
    QList<Stage> m_stages;
    QList<QProcess *> m_running;
    QTimer m_limit;
    double m_limitScale = 1.0;
};

// Remembers whether the character speaks aloud, in the user's own settings (not donguri.ini).
class VoicePreference
{
public:
    static bool enabled();
    static void setEnabled(bool on);
};

} // namespace donguri
