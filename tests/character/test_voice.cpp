// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character/voice.h"
#include "support/test_env.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestVoice : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void anEngineThatNeverEndsIsCutOffWithoutBlocking()
    {
        PipelineVoice voice({{u"sleep"_s, {u"1000"_s}}});
        voice.setTimeLimitScale(0.05);
        QSignalSpy finished(&voice, &PipelineVoice::finished);
        QElapsedTimer clock;
        clock.start();
        voice.say(u"ずっと終わらない"_s);
        QVERIFY(clock.elapsed() < 1000); // saying never waits for the engine
        QVERIFY(voice.isSpeaking());
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(!voice.isSpeaking());
    }

    void theTextTravelsOnStandardInputThroughEveryStage()
    {
        QTemporaryDir dir;
        const QString heard = dir.filePath(u"heard.txt"_s);
        PipelineVoice voice({{u"cat"_s, {}}, {u"tee"_s, {heard}}});
        QSignalSpy finished(&voice, &PipelineVoice::finished);
        const QString text = u"どんぐり'; touch pwned; echo \"$(id)\""_s;
        voice.say(text);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(fileBytes(heard), text.toUtf8() + '\n');
        QVERIFY(!QFile::exists(u"pwned"_s));
    }

    void aNewTextCutsOffTheOldOne()
    {
        PipelineVoice voice({{u"sleep"_s, {u"1000"_s}}});
        voice.say(u"一つ目"_s);
        voice.say(u"二つ目"_s);
        QVERIFY(voice.isSpeaking());
        voice.stop();
        QVERIFY(!voice.isSpeaking());
    }

    void noEngineMeansSilence()
    {
        PipelineVoice voice({});
        voice.say(u"聞こえない"_s);
        QVERIFY(!voice.isSpeaking());
        PipelineVoice missing({{u"/no/such/synthesizer"_s, {}}});
        QSignalSpy finished(&missing, &PipelineVoice::finished);
        missing.say(u"聞こえない"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!missing.isSpeaking(), 1000); // well before its time limit
    }

    void theChoiceIsRemembered()
    {
        VoicePreference::setEnabled(false);
        QVERIFY(!VoicePreference::enabled());
        VoicePreference::setEnabled(true);
        QVERIFY(VoicePreference::enabled());
    }
};

QTEST_GUILESS_MAIN(TestVoice)
#include "test_voice.moc"
