// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "voice.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

namespace donguri {

PipelineVoice::PipelineVoice(QList<Stage> stages, QObject *parent)
    : QObject(parent), m_stages(std::move(stages))
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        stop();
        Q_EMIT finished(false);
    });
}

PipelineVoice::~PipelineVoice()
{
    stop();
}

std::unique_ptr<PipelineVoice> PipelineVoice::japanese()
{
    QList<Stage> stages;
    const QString kakasi = QStandardPaths::findExecutable(QStringLiteral("kakasi"));
    const QString espeak = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (espeak.isEmpty())
        return std::make_unique<PipelineVoice>(QList<Stage>{}); // no synthesizer: silent
    // Without kakasi every kanji would be read out as a placeholder; kana alone still works.
    if (!kakasi.isEmpty())
        stages.append({kakasi,
                       {QStringLiteral("-i"), QStringLiteral("utf8"), QStringLiteral("-o"),
                        QStringLiteral("utf8"), QStringLiteral("-JH")}});
    stages.append(
        {espeak, {QStringLiteral("-v"), QStringLiteral("ja"), QStringLiteral("--stdin")}});
    return std::make_unique<PipelineVoice>(stages);
}

int PipelineVoice::timeLimitMs(const QString &text)
{
    return std::min(30000, 3000 + 250 * int(text.size()));
}

bool PipelineVoice::isSpeaking() const
{
    return !m_running.isEmpty();
}

void PipelineVoice::say(const QString &text)
{
    stop();
    if (m_stages.isEmpty() || text.trimmed().isEmpty())
        return;
    for (const Stage &stage : m_stages) {
        auto *process = new QProcess(this);
        process->setProgram(stage.program);
        process->setArguments(stage.arguments);
        // The synthesizer's complaints (no sound card, say) are not the user's business.
        process->setStandardErrorFile(QProcess::nullDevice());
        // Should the program itself be killed, its voice goes with it.
        process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart || m_running.isEmpty())
                return;
            stop(); // not installed after all: stay silent
            Q_EMIT finished(false);
        });
        if (!m_running.isEmpty())
            m_running.last()->setStandardOutputProcess(process);
        m_running.append(process);
    }
    m_running.last()->setStandardOutputFile(QProcess::nullDevice());
    connect(m_running.last(), &QProcess::finished, this, [this](int, QProcess::ExitStatus) {
        if (m_running.isEmpty())
            return;
        m_limit.stop();
        stop();
        Q_EMIT finished(true);
    });
    for (QProcess *process : std::as_const(m_running))
        process->start(QIODevice::ReadWrite);
    // The text travels on standard input only: it is never part of a command line.
    QProcess *first = m_running.first();
    first->write(text.toUtf8() + '\n');
    first->closeWriteChannel();
    m_limit.start(int(timeLimitMs(text) * m_limitScale));
}

void PipelineVoice::stop()
{
    m_limit.stop();
    const QList<QProcess *> running = std::exchange(m_running, {});
    for (QProcess *process : running) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(200); // reaps it; a killed child ends at once
        }
        process->deleteLater();
    }
}

namespace {
const QString VoiceKey = QStringLiteral("voice/enabled");
}

// ~/.config/donguri/donguri.conf: per-user choices; donguri.ini keeps only the database path.
bool VoicePreference::enabled()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("donguri"), QStringLiteral("donguri"));
    return settings.value(VoiceKey, true).toBool();
}

void VoicePreference::setEnabled(bool on)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("donguri"),
                       QStringLiteral("donguri"));
    settings.setValue(VoiceKey, on);
}

} // namespace donguri
