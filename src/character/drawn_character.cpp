// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawn_character.h"

#include "character_art.h"
#include "figure_window.h"
#include "speech_balloon.h"
#include "voice.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace donguri {

namespace {
constexpr int ActiveFrameMs = 40;   // 25 frames a second while something moves
constexpr int RestingFrameMs = 120; // breathing and blinking need little
constexpr int AppearMs = 500;
constexpr double GlidePixelsPerSecond = 420;
const QString FigureTitle = QStringLiteral("キャラクター");
const QString BalloonTitle = QStringLiteral("吹き出し");

QRect screenAround(QPoint point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1280, 800);
}
} // namespace

DrawnCharacter::DrawnCharacter(const QString &id, std::unique_ptr<CharacterArt> art, QPoint home,
                               Voice *voice)
    : m_id(id), m_art(std::move(art)), m_figure(std::make_unique<FigureWindow>(*m_art)),
      m_balloon(std::make_unique<SpeechBalloon>()), m_voice(voice),
      m_voiceEnabled(voice && VoicePreference::enabled())
{
    // Titles in the user's language: task switchers and screen readers may still name them.
    m_figure->setWindowTitle(FigureTitle);
    m_figure->setAccessibleName(FigureTitle);
    m_figure->move(home);
    m_balloon->setWindowTitle(BalloonTitle);
    m_frames.setTimerType(Qt::PreciseTimer);
    connect(&m_frames, &QTimer::timeout, this, &DrawnCharacter::onFrame);
    // A dragged character stays where it was dropped; its balloon follows it.
    connect(m_figure.get(), &FigureWindow::dragged, this, &DrawnCharacter::updateBalloon);
    m_figure->setVoiceMenu(voice != nullptr, m_voiceEnabled);
    connect(m_figure.get(), &FigureWindow::voiceToggled, this, [this](bool on) {
        setVoiceEnabled(on);
        VoicePreference::setEnabled(on);
    });
    m_restClock.start();
}

DrawnCharacter::~DrawnCharacter()
{
    if (m_voice)
        m_voice->stop();
}

void DrawnCharacter::setVoiceEnabled(bool on)
{
    m_voiceEnabled = on && m_voice;
    if (!m_voiceEnabled && m_voice)
        m_voice->stop();
    m_figure->setVoiceMenu(m_voice != nullptr, m_voiceEnabled);
}

void DrawnCharacter::Show()
{
    enqueue({Request::Kind::Show, {}, {}});
}
void DrawnCharacter::Speak(const QString &text)
{
    // Only what can be shown is kept: a huge text costs its copy here and nothing after.
    enqueue({Request::Kind::Speak, balloonText(text), {}});
}
void DrawnCharacter::ShowText(const QString &text)
{
    enqueue({Request::Kind::Speak, balloonText(text), {}, false});
}
void DrawnCharacter::Play(const QString &animation)
{
    enqueue({Request::Kind::Play, animation, {}});
}
void DrawnCharacter::MoveTo(int x, int y)
{
    enqueue({Request::Kind::MoveTo, {}, QPoint(x, y)});
}

QString DrawnCharacter::balloonText(const QString &text)
{
    if (text.size() <= BalloonChars)
        return text;
    qsizetype end = BalloonChars;
    if (QChar::isLowSurrogate(text.at(end).unicode()))
        --end; // never half a character
    return text.left(end) + u'…';
}

QString DrawnCharacter::spokenText(const QString &text)
{
    if (text.size() <= SpokenChars)
        return text;
    // The last sentence end in the second half of the allowance, else a plain cut.
    static const QString sentenceEnds = QStringLiteral("。．！？!?\n");
    for (qsizetype i = SpokenChars - 1; i >= SpokenChars / 2; --i) {
        if (sentenceEnds.contains(text.at(i)))
            return text.left(i + 1);
    }
    qsizetype end = SpokenChars;
    if (QChar::isLowSurrogate(text.at(end).unicode()))
        --end;
    return text.left(end);
}

int DrawnCharacter::revealMs(const QString &text)
{
    return std::min(12000, 60 * int(text.size()));
}

int DrawnCharacter::holdMs(const QString &text)
{
    return std::min(15000, 1000 + 50 * int(text.size()));
}

void DrawnCharacter::enqueue(Request request)
{
    m_queue.push_back(std::move(request));
    if (!m_current)
        onFrame();
}

int DrawnCharacter::durationOf(const Request &request) const
{
    double ms = 0;
    switch (request.kind) {
    case Request::Kind::Show:
        ms = m_visible ? 0 : AppearMs;
        break;
    case Request::Kind::Speak:
        ms = revealMs(request.text) + holdMs(request.text);
        break;
    case Request::Kind::Play:
        ms = animationInfo(request.text).durationMs;
        break;
    case Request::Kind::MoveTo: {
        const QPoint delta = request.target - m_moveFrom;
        ms = 1000.0 * std::hypot(delta.x(), delta.y()) / GlidePixelsPerSecond;
        break;
    }
    }
    return int(ms * m_timeScale);
}

static QString describe(const QString &kind, const QString &argument)
{
    return argument.isEmpty() ? kind : kind + u' ' + argument;
}

double DrawnCharacter::progress() const
{
    return m_currentDurationMs <= 0
               ? 1.0
               : std::min(1.0, double(m_requestClock.elapsed()) / m_currentDurationMs);
}

void DrawnCharacter::begin(Request request)
{
    m_current = std::move(request);
    m_moveFrom = m_figure->pos();
    // Measured before anything changes: a Show that makes the figure appear takes its time.
    m_currentDurationMs = durationOf(*m_current);
    m_requestClock.start();
    switch (m_current->kind) {
    case Request::Kind::Show:
        Q_EMIT requestStarted(QStringLiteral("Show"));
        break;
    case Request::Kind::Speak:
        Q_EMIT requestStarted(describe(QStringLiteral("Speak"), m_current->text));
        // The balloon keeps its own time; the voice runs alongside and never holds it up.
        if (m_voiceEnabled && m_visible && m_current->aloud)
            m_voice->say(spokenText(m_current->text));
        break;
    case Request::Kind::Play:
        Q_EMIT requestStarted(describe(QStringLiteral("Play"), m_current->text));
        break;
    case Request::Kind::MoveTo:
        Q_EMIT requestStarted(
            QStringLiteral("MoveTo %1,%2").arg(m_current->target.x()).arg(m_current->target.y()));
        break;
    }
    if (m_current->kind == Request::Kind::Show && !m_visible) {
        m_visible = true;
        render(appearingPose(0));
        m_figure->show();
        m_figure->raise();
    }
}

void DrawnCharacter::finishCurrent()
{
    const Request done = *m_current;
    m_current.reset();
    if (done.kind == Request::Kind::Play && animationInfo(done.text).endsHidden) {
        m_visible = false;
        m_figure->hide();
        m_balloon->hide();
    }
    if (done.kind == Request::Kind::MoveTo)
        m_figure->move(done.target);
    // The balloon stays up between consecutive speeches and goes when the talking is over.
    const bool moreSpeech = !m_queue.empty() && m_queue.front().kind == Request::Kind::Speak;
    if (done.kind == Request::Kind::Speak && !moreSpeech)
        m_balloon->hide();
    m_restClock.start();
}

void DrawnCharacter::onFrame()
{
    // Finish as many requests as have run their time (instant ones take no frame of their own).
    while (true) {
        if (m_current && progress() >= 1.0)
            finishCurrent();
        if (m_current || m_queue.empty())
            break;
        Request next = std::move(m_queue.front());
        m_queue.pop_front();
        begin(std::move(next));
    }
    if (!m_current && m_wasBusy)
        Q_EMIT idle();
    m_wasBusy = m_current.has_value();

    Pose pose = restingPose(m_restClock.elapsed());
    if (m_current) {
        const double t = progress();
        switch (m_current->kind) {
        case Request::Kind::Show:
            pose = appearingPose(t);
            break;
        case Request::Kind::Play:
            pose = animationPose(m_current->text, t);
            break;
        case Request::Kind::Speak: {
            const int reveal = int(revealMs(m_current->text) * m_timeScale);
            const bool talking = m_requestClock.elapsed() < reveal;
            pose.mouth = talking ? 0.55 * std::abs(std::sin(m_requestClock.elapsed() / 90.0)) : 0;
            break;
        }
        case Request::Kind::MoveTo: {
            const QPoint delta = m_current->target - m_moveFrom;
            m_figure->move(
                m_moveFrom
                + QPoint(int(std::lround(delta.x() * t)), int(std::lround(delta.y() * t))));
            pose.facing = delta.x() < 0 ? -1 : 1;
            pose.tilt = 6 * pose.facing;
            pose.bob = -3 * std::abs(std::sin(t * 12));
            break;
        }
        }
    }
    if (m_visible)
        render(pose);
    updateBalloon();
    scheduleFrames();
}

void DrawnCharacter::render(const Pose &pose)
{
    m_figure->setPose(pose);
}

void DrawnCharacter::updateBalloon()
{
    if (!m_current || m_current->kind != Request::Kind::Speak) {
        if (m_balloon->isVisible() && m_visible)
            m_balloon->present(m_balloon->text(), m_balloon->text().size(), m_figure->geometry(),
                               screenAround(m_figure->geometry().center()));
        return;
    }
    if (!m_visible)
        return;
    const QString &text = m_current->text;
    const int reveal = int(revealMs(text) * m_timeScale);
    const qsizetype shown =
        reveal <= 0 ? text.size()
                    : qsizetype(std::ceil(
                        text.size() * std::min(1.0, double(m_requestClock.elapsed()) / reveal)));
    m_balloon->present(text, shown, m_figure->geometry(),
                       screenAround(m_figure->geometry().center()));
}

void DrawnCharacter::scheduleFrames()
{
    // At rest and out of sight nothing needs drawing at all.
    const int interval = m_current ? ActiveFrameMs : RestingFrameMs;
    if (!m_current && !m_visible) {
        m_frames.stop();
        return;
    }
    if (!m_frames.isActive() || m_frames.interval() != interval)
        m_frames.start(interval);
}

std::shared_ptr<Character> DesktopCharacterLoader::Load(const QString &id, const QString &file)
{
    if (file.isEmpty()) {
        if (std::shared_ptr<DrawnCharacter> current = m_onStage.lock())
            return current;
    }
    std::unique_ptr<CharacterArt> art = CharacterArt::forId(id);
    if (!art)
        return nullptr;
    const QRect screen = screenAround(QPoint(0, 0));
    const QPoint home(std::max(screen.left(), screen.right() - 360),
                      std::max(screen.top(), screen.bottom() - 400));
    auto character = std::make_shared<DrawnCharacter>(id, std::move(art), home, m_voice);
    m_onStage = character;
    return character;
}

} // namespace donguri
