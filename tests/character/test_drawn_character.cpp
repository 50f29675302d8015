// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character/character_art.h"
#include "character/drawn_character.h"
#include "character/figure_window.h"
#include "character/speech_balloon.h"
#include "character/voice.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace donguri;
using namespace Qt::StringLiterals;

namespace {
// A voice that only notes what it was told to say.
class RecordingVoice final : public Voice
{
public:
    void say(const QString &text) override { said << text; }
    void stop() override {}
    QStringList said;
};
} // namespace

class TestDrawnCharacter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestsArePerformedInTheOrderTheyWereMade()
    {
        auto character = make(u"Genie"_s);
        QSignalSpy started(character.get(), &DrawnCharacter::requestStarted);
        QSignalSpy idle(character.get(), &DrawnCharacter::idle);
        character->Show();
        character->Speak(u"こんにちは"_s);
        character->Play(u"wave"_s);
        character->MoveTo(100, 50);
        character->Play(u"no-such-animation"_s);
        character->Speak(u"二つ目"_s);
        character->Play(u"hide"_s);
        character->Show();
        QVERIFY(character->isBusy()); // nothing waited: the requests were only queued
        QVERIFY(idle.wait(10000));

        QStringList order;
        for (const QList<QVariant> &args : std::as_const(started))
            order << args.first().toString();
        QCOMPARE(order, (QStringList{u"Show"_s, u"Speak こんにちは"_s, u"Play wave"_s,
                                     u"MoveTo 100,50"_s, u"Play no-such-animation"_s,
                                     u"Speak 二つ目"_s, u"Play hide"_s, u"Show"_s}));
        QCOMPARE(character->figure()->pos(), QPoint(100, 50));
        QVERIFY(character->figure()->isVisible()); // the last Show brought it back
    }

    void appearingTakesItsTime()
    {
        auto character = make(u"Peedy"_s);
        character->Show();
        QVERIFY(character->isBusy()); // still appearing, not popped in at once
        QSignalSpy idle(character.get(), &DrawnCharacter::idle);
        QVERIFY(idle.wait(5000));
        character->Show(); // already there: nothing to do
        QVERIFY(!character->isBusy());
    }

    void hideLeavesItInvisibleUntilTheNextShow()
    {
        auto character = make(u"merlin"_s);
        QSignalSpy idle(character.get(), &DrawnCharacter::idle);
        character->Show();
        character->Play(u"hide"_s);
        QVERIFY(idle.wait(5000));
        QVERIFY(!character->figure()->isVisible());
        QVERIFY(!character->balloon()->isVisible());
    }

    void everyCharacterDrawsEveryAnimation_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("Genie") << u"Genie"_s;
        QTest::newRow("merlin") << u"merlin"_s;
        QTest::newRow("Peedy") << u"Peedy"_s;
    }
    void everyCharacterDrawsEveryAnimation()
    {
        QFETCH(QString, id);
        const auto art = CharacterArt::forId(id);
        QVERIFY(art);
        const QImage rest = render(*art, restingPose(0));
        QVERIFY(opaquePixels(rest) > 2000); // a figure, not an empty frame
        const QStringList names = {u"announce"_s, u"read"_s,          u"decline"_s,  u"write"_s,
                                   u"greet"_s,    u"process"_s,       u"wave"_s,     u"hide"_s,
                                   u"idle2_1"_s,  u"blink"_s,         u"confused"_s, u"think"_s,
                                   u"explain"_s,  u"readcontinued"_s, u"pleased"_s};
        for (const QString &name : names) {
            QVERIFY2(isKnownAnimation(name), qPrintable(name));
            QVERIFY(animationInfo(name).durationMs > 0);
            QVERIFY2(render(*art, animationPose(name, 0.5)) != rest, qPrintable(name));
        }
        QVERIFY(!isKnownAnimation(u"Hide"_s)); // names are exact
        QCOMPARE(opaquePixels(render(*art, animationPose(u"hide"_s, 1.0))), 0);
    }

    void theBalloonStaysOnTheScreenAtEveryCorner_data()
    {
        QTest::addColumn<QPoint>("place");
        QTest::newRow("top left") << QPoint(0, 0);
        QTest::newRow("top right") << QPoint(900, 0);
        QTest::newRow("bottom left") << QPoint(0, 600);
        QTest::newRow("bottom right") << QPoint(900, 600);
    }
    void theBalloonStaysOnTheScreenAtEveryCorner()
    {
        QFETCH(QPoint, place);
        const QRect screen(0, 0, 1024, 768);
        SpeechBalloon balloon;
        const QString text =
            u"長いことここにいるなー。あいまい検索は小文字で*（アスタリスク)を付けてね。"_s
                .repeated(2);
        balloon.present(text, text.size(), QRect(place, CharacterArt::canvasSize()), screen);
        QVERIFY2(screen.contains(balloon.geometry()), qPrintable(u"%1,%2 %3x%4"_s.arg(balloon.x())
                                                                     .arg(balloon.y())
                                                                     .arg(balloon.width())
                                                                     .arg(balloon.height())));
        QCOMPARE(balloon.accessibleName(), text);
        QVERIFY(balloon.width() < 320); // long text wraps instead of growing without end

        // A very long meaning scrolls inside a balloon that still fits on the screen.
        const QString book = text.repeated(20);
        balloon.present(book, book.size(), QRect(place, CharacterArt::canvasSize()), screen);
        QVERIFY(screen.contains(balloon.geometry()));
        QCOMPARE(balloon.accessibleName(), book);
    }

    // Each speech has the balloon its own text needs: a short answer after a long one sits in
    // a small balloon again.
    void theBalloonFollowsEachText()
    {
        const QRect screen(0, 0, 1280, 800);
        const QRect figure(QPoint(900, 500), CharacterArt::canvasSize());
        const QString shortText = u"はい。"_s;
        SpeechBalloon fresh;
        fresh.present(shortText, shortText.size(), figure, screen);

        SpeechBalloon balloon;
        for (const QString &longText : {u"ブナ科の木の実の総称。"_s.repeated(30),
                                        u"ブナ科の木の実の総称。"_s.repeated(200)}) {
            balloon.present(longText, longText.size(), figure, screen);
            QVERIFY(balloon.height() > 3 * fresh.height());
            balloon.present(shortText, shortText.size(), figure, screen);
            QCOMPARE(balloon.size(), fresh.size());
            QVERIFY(screen.contains(balloon.geometry()));
        }
    }

    void aLongTextIsCutForTheBalloonAndTheVoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("spoken");
        const qsizetype balloon = DrawnCharacter::BalloonChars;
        const qsizetype voice = DrawnCharacter::SpokenChars;
        const QString plain = QString(balloon + 10, u'あ');
        QTest::newRow("short") << u"木の実。"_s << u"木の実。"_s << u"木の実。"_s;
        QTest::newRow("no sentence end")
            << plain << plain.left(balloon) + u'…' << plain.left(voice);
        const QString sentences = QString(voice - 100, u'か') + u'。' + plain;
        QTest::newRow("cut after the last sentence near the limit")
            << sentences << sentences.left(balloon) + u'…' << sentences.left(voice - 99);
        const QString early = QString(voice / 4, u'か') + u'。' + plain;
        QTest::newRow("a sentence end too early is not used")
            << early << early.left(balloon) + u'…' << early.left(voice);
        // U+20BB7 is two UTF-16 units; the cut never falls between them.
        const QString wide = QString(voice - 1, u'か') + u"\U00020BB7"_s + plain;
        QTest::newRow("no half characters")
            << wide << wide.left(balloon) + u'…' << wide.left(voice - 1);
        const QString exact = QString(balloon, u'か');
        QTest::newRow("exactly the balloon's length") << exact << exact << exact.left(voice);
    }
    void aLongTextIsCutForTheBalloonAndTheVoice()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, spoken);
        QCOMPARE(DrawnCharacter::balloonText(text), shown);
        QCOMPARE(DrawnCharacter::spokenText(text), spoken);
    }

    // A meaning of megabytes: the balloon gets its beginning, the voice a shorter one.
    void aHugeTextReachesTheBalloonAndTheVoiceAsItsBeginning()
    {
        RecordingVoice voice;
        DrawnCharacter character(u"Genie"_s, CharacterArt::forId(u"Genie"_s), QPoint(600, 400),
                                 &voice);
        character.setTimeScale(0.01);
        character.setVoiceEnabled(true);
        const QString huge = u"どんぐりはブナ科の木の実。"_s.repeated(400000);
        QSignalSpy idle(&character, &DrawnCharacter::idle);
        character.Show();
        character.Speak(huge);
        QVERIFY(idle.wait(10000));
        QCOMPARE(character.balloon()->text(), huge.left(DrawnCharacter::BalloonChars) + u'…');
        QCOMPARE(voice.said, QStringList{DrawnCharacter::spokenText(huge)});
        QVERIFY(voice.said.first().size() <= DrawnCharacter::SpokenChars);
        QVERIFY(voice.said.first().endsWith(u'。'));
    }

    void loadingWithoutAFileKeepsTheCharacterOnTheDesktop()
    {
        DesktopCharacterLoader loader;
        QVERIFY(!loader.Load(u"Rover"_s, u"Rover.acs"_s));
        const auto merlin = loader.Load(u"merlin"_s, u"merlin.acs"_s);
        QVERIFY(merlin);
        QCOMPARE(loader.Load(u"Genie"_s, QString()), merlin);
        const auto other = loader.Load(u"Peedy"_s, u"Peedy.acs"_s);
        QVERIFY(other != merlin);
    }

private:
    static std::unique_ptr<DrawnCharacter> make(const QString &id)
    {
        auto character =
            std::make_unique<DrawnCharacter>(id, CharacterArt::forId(id), QPoint(600, 400));
        character->setTimeScale(0.02);
        return character;
    }

    static QImage render(const CharacterArt &art, const Pose &pose)
    {
        QImage image(CharacterArt::canvasSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        art.paint(painter, pose);
        return image;
    }

    static int opaquePixels(const QImage &image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 128;
        return count;
    }
};

QTEST_MAIN(TestDrawnCharacter)
#include "test_drawn_character.moc"
