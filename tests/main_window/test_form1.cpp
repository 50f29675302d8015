// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb/file_knowledge_base.h"
#include "main_window/chatter.h"
#include "support/test_env.h"
#include "support/test_run.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

class TestForm1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_run = std::make_unique<TestRun>();
        m_state = &m_run->state;
        m_loader = &m_run->characters;
    }

    void startUpShowsGreetsAndMoves_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<QString>("greeting");
        QTest::newRow("u=0") << 0.0 << u"なんでも聞いてください。"_s;
        QTest::newRow("u=0.17") << 0.17 << u"眠いんだけどなー"_s;
        QTest::newRow("u=0.34") << 0.34 << u"さあ、今日も働こうか。"_s;
        QTest::newRow("u=0.5") << 0.5 << u"いいお天気ですね。"_s;
        QTest::newRow("u=0.67") << 0.67 << u"はい、何でしょう。"_s;
        QTest::newRow("u=0.999") << 0.999 << u"こんちわー、お元気だった？"_s;
    }
    void startUpShowsGreetsAndMoves()
    {
        QFETCH(double, draw);
        QFETCH(QString, greeting);
        m_run->random.draws = {draw};
        auto form = makeForm();
        QCOMPARE(m_loader->loads, QStringList{u"Load Genie Genie.acs"_s});
        QCOMPARE(m_loader->log->entries,
                 (QStringList{u"Genie#1: Show"_s, u"Genie#1: Speak "_s + greeting,
                              u"Genie#1: MoveTo 900,0"_s}));
        QCOMPARE(m_run->random.seeds.size(), 1); // seeded once, from the clock
        QCOMPARE(m_run->random.seeds.first(), quint64(m_run->clock.time.toMSecsSinceEpoch()));
        QVERIFY(QFile::exists(m_state->DatabasePath));
        QCOMPARE(m_state->CurrentCharacter.get() != nullptr, true);
    }

    void theWindowHasItsControlsInPlace()
    {
        auto form = makeForm();
        QCOMPARE(form->windowTitle(), u"どんぐりくん"_s);
        QCOMPARE(form->geometry(), QRect(434, 627, 571, 62));
        struct Control
        {
            const char *name;
            QString caption;
            QRect place;
        };
        const QList<Control> controls = {
            {"Button", u"終了"_s, {520, 8, 41, 25}},    {"Command1", u"検索"_s, {480, 8, 41, 25}},
            {"Command2", u"日付"_s, {104, 40, 49, 17}}, {"Command3", u"時間"_s, {152, 40, 49, 17}},
            {"Command4", u"修正"_s, {8, 40, 49, 17}},   {"Command5", u"設定"_s, {416, 40, 57, 17}},
        };
        for (const Control &c : controls) {
            auto *button = form->findChild<QPushButton *>(QString::fromLatin1(c.name));
            QVERIFY2(button, c.name);
            QCOMPARE(button->text(), c.caption);
            QCOMPARE(button->accessibleName(), c.caption);
            QCOMPARE(button->geometry(), c.place);
        }
        auto *text1 = form->findChild<QLineEdit *>(u"Text1"_s);
        QCOMPARE(text1->text(), u"教えてもらいたい事を入力してね。"_s);
        QCOMPARE(text1->geometry(), QRect(8, 8, 465, 25));
        auto *check1 = form->findChild<QCheckBox *>(u"Check1"_s);
        QCOMPARE(check1->text(), u"クリップボード"_s);
        QVERIFY(!check1->isChecked());

        // Tab order: 終了, question, 検索, 日付, 時間, 修正, クリップボード, 設定.
        QStringList order;
        QWidget *w = form->findChild<QPushButton *>(u"Button"_s);
        for (int i = 0; i < 8; ++i, w = w->nextInFocusChain())
            order << w->objectName();
        QCOMPARE(order, (QStringList{u"Button"_s, u"Text1"_s, u"Command1"_s, u"Command2"_s,
                                     u"Command3"_s, u"Command4"_s, u"Check1"_s, u"Command5"_s}));
    }

    // However the box gets the focus while it holds the prompt, the whole prompt is selected,
    // so that the first question typed replaces it.
    void theFirstQuestionTypedReplacesThePrompt_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << u"click"_s;
        QTest::newRow("tab") << u"tab"_s;
        QTest::newRow("window activation") << u"activation"_s;
    }
    void theFirstQuestionTypedReplacesThePrompt()
    {
        QFETCH(QString, how);
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto *text1 = form->findChild<QLineEdit *>(u"Text1"_s);
        const QString prompt = text1->text();
        if (how == u"click") {
            QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(60, 12));
        } else if (how == u"tab") {
            QTest::keyClick(form->findChild<QPushButton *>(u"Button"_s), Qt::Key_Tab);
        } else {
            QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(text1, &activated);
        }
        QTRY_COMPARE(text1->selectedText(), prompt);
        QCOMPARE(text1->text(), prompt); // the prompt itself is left as it is
        typeText(text1, u"さくら"_s);
        QCOMPARE(text1->text(), u"さくら"_s);
    }

    void aQuestionBeingTypedIsNotSelected()
    {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto *text1 = form->findChild<QLineEdit *>(u"Text1"_s);
        text1->setText(u"どんぐ"_s);
        QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(200, 12));
        QTest::qWait(20);
        QVERIFY(text1->hasFocus());
        QVERIFY(!text1->hasSelectedText());
        typeText(text1, u"り"_s);
        QCOMPARE(text1->text(), u"どんぐり"_s);
    }

    void theStoredChoicePicksTheCharacter()
    {
        {
            FileKnowledgeBase create(m_state->DatabasePath);
        }
        execSql(m_state->DatabasePath, "UPDATE キャラクター SET キャラクター番号 = 3");
        auto form = makeForm();
        QCOMPARE(m_loader->loads, QStringList{u"Load Peedy Peedy.acs"_s});
        QCOMPARE(m_loader->log->entries.first(), u"Peedy#1: Show"_s);
    }

    void anUnreadableChoiceIsRepairedAndBringsGenie()
    {
        {
            FileKnowledgeBase create(m_state->DatabasePath);
        }
        execSql(m_state->DatabasePath, "DELETE FROM キャラクター");
        auto form = makeForm();
        QCOMPARE(m_loader->loads, QStringList{u"Load Genie Genie.acs"_s});
        QCOMPARE(FileKnowledgeBase(m_state->DatabasePath).characterChoice(),
                 std::optional<qint16>(1));
    }

    void anUnknownChoiceStartsSilentlyWithoutACharacter()
    {
        {
            FileKnowledgeBase create(m_state->DatabasePath);
        }
        execSql(m_state->DatabasePath, "UPDATE キャラクター SET キャラクター番号 = 4");
        auto form = makeForm();
        QVERIFY(m_loader->loads.isEmpty());
        QVERIFY(!m_state->CurrentCharacter);
        form->Button_Click(); // requests go nowhere, and nothing breaks
        QVERIFY(m_loader->log->entries.isEmpty());
        QVERIFY(form->Timer2().isActive());
    }

    void anUnusableDatabaseStillBringsGenie()
    {
        m_state->DatabasePath = m_run->dir.path(); // a folder, not a file
        auto form = makeForm();
        QCOMPARE(m_loader->loads, QStringList{u"Load Genie Genie.acs"_s});
        QCOMPARE(m_loader->log->requests().first(), u"Show"_s);
    }

    // The character comes up once its choice has been read. What its buttons ask of it before
    // then follows its greeting, and the clock starts ticking only then: nothing said at start
    // is lost.
    void aButtonPressedBeforeTheCharacterIsUpSpeaksAfterItsGreeting_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("requests");
        const QDateTime now = FixedClock().time;
        QTest::newRow("日付") << u"Command2"_s
                              << QStringList{u"Speak "_s + Chatter::dateSentence(now.date())};
        QTest::newRow("時間") << u"Command3"_s
                              << QStringList{u"Play readcontinued"_s,
                                             u"Speak "_s + Chatter::timeSentence(now.time())};
        QTest::newRow("修正") << u"Command4"_s
                              << QStringList{u"Speak 直す言葉を入れて呼び出しを押してください。"_s,
                                             u"Play write"_s};
        QTest::newRow("終了") << u"Button"_s
                              << QStringList{u"Speak それじゃ、またね。"_s, u"Play wave"_s,
                                             u"Play hide"_s};
    }
    void aButtonPressedBeforeTheCharacterIsUpSpeaksAfterItsGreeting()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, requests);
        std::unique_ptr<Form1> form;
        {
            const HeldQuestions held(m_state->questions(), m_state->DatabasePath);
            form = m_run->startMainWindow();
            QTest::mouseClick(form->findChild<QPushButton *>(button), Qt::LeftButton);
            QVERIFY(!form->Timer1().isActive());
            QVERIFY(!form->Timer2().isActive());
        }
        m_run->settle();
        QCOMPARE(m_loader->log->requests(),
                 QStringList({u"Show"_s, u"Speak なんでも聞いてください。"_s, u"MoveTo 900,0"_s})
                     + requests);
        QVERIFY(form->Timer1().isActive());
        QCOMPARE(form->Timer2().isActive(), button == u"Button"_s);
    }

    // A question asked before the character is up is answered after its greeting: the bar's
    // calls are answered in the order they were made, the character's choice first.
    void aQuestionAskedBeforeTheCharacterIsUpIsAnsweredAfterTheGreeting()
    {
        std::unique_ptr<Form1> form;
        {
            const HeldQuestions held(m_state->questions(), m_state->DatabasePath);
            form = m_run->startMainWindow();
            form->findChild<QLineEdit *>(u"Text1"_s)->setText(u"くぬぎ"_s);
            QTest::mouseClick(form->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        }
        m_run->settle();
        QCOMPARE(m_loader->log->requests(),
                 (QStringList{u"Show"_s, u"Speak なんでも聞いてください。"_s, u"MoveTo 900,0"_s,
                              u"Speak 知りません。教えてください。"_s, u"Play decline"_s}));
    }

    void farewellSpeaksWavesHidesAndEndsFiveSecondsLater()
    {
        auto form = makeForm();
        m_loader->log->clear();
        QVERIFY(!form->Timer2().isActive());
        QSignalSpy ended(form.get(), &Form1::endRequested);

        QTest::mouseClick(form->findChild<QPushButton *>(u"Button"_s), Qt::LeftButton);
        QCOMPARE(m_loader->log->requests(),
                 (QStringList{u"Speak それじゃ、またね。"_s, u"Play wave"_s, u"Play hide"_s}));
        QVERIFY(form->Timer2().isActive());
        QCOMPARE(form->Timer2().interval(), 5000);
        const int remaining = form->Timer2().remainingTime();

        // A second press speaks again but does not push the end further away.
        QTest::qWait(30);
        form->Button_Click();
        QVERIFY(form->Timer2().remainingTime() <= remaining);
        QCOMPARE(ended.count(), 0);

        form->Timer2_Timer();
        QCOMPARE(ended.count(), 1);
    }

    void closingFromTheTitleBarEndsAtOnceWithoutAFarewell()
    {
        auto form = makeForm();
        form->show();
        m_loader->log->clear();
        QSignalSpy ended(form.get(), &Form1::endRequested);
        QVERIFY(form->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(m_loader->log->entries.isEmpty());
        QVERIFY(!form->Timer2().isActive());
    }

    void closingDuringTheFarewellEndsAtOnce()
    {
        auto form = makeForm();
        form->show();
        QSignalSpy ended(form.get(), &Form1::endRequested);
        form->Button_Click();
        m_loader->log->clear();
        QVERIFY(form->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(m_loader->log->entries.isEmpty());
        form->Timer2_Timer(); // the farewell's own end comes too late to end it again
        QCOMPARE(ended.count(), 1);
    }

    void quittingAfterTheFarewellClosesEveryWindowWithoutAskingAgain()
    {
        // Ending the program closes every window, the bar among them: that close is not the
        // user's and must not ask for the end a second time.
        auto form = makeForm();
        form->show();
        QSignalSpy ended(form.get(), &Form1::endRequested);
        form->Button_Click();
        form->Timer2_Timer();
        QCOMPARE(ended.count(), 1);
        QApplication::closeAllWindows();
        QVERIFY(!form->isVisible());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(m_loader->log->requests().count(u"Speak それじゃ、またね。"_s), 1);
    }

    void timer1IsAimedJustPastTheNextSecond()
    {
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), QTime(8, 59, 59, 900));
        auto form = makeForm();
        QVERIFY(form->Timer1().isActive());
        QVERIFY(form->Timer1().interval() > 100 && form->Timer1().interval() <= 110);
        m_run->clock.time = QDateTime(QDate(2026, 12, 6), QTime(9, 0, 0, 3));
        form->Timer1_Timer();
        QVERIFY(form->Timer1().interval() >= 995 && form->Timer1().interval() <= 1005);
    }

private:
    // The bar as start-up leaves it, its character come up once its choice was read.
    std::unique_ptr<Form1> makeForm()
    {
        std::unique_ptr<Form1> form = m_run->startMainWindow();
        m_run->settle();
        return form;
    }

    std::unique_ptr<TestRun> m_run;
    SharedState *m_state = nullptr;
    RecordingLoader *m_loader = nullptr;
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
