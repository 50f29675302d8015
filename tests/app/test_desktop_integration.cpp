// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_integration.h"
#include "ui/file_chooser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace donguri;
using namespace Qt::StringLiterals;

// Qt's own texts in a program whose every text is Japanese. The tests run with LANG=C.UTF-8:
// the translation must not depend on the user's language.
class TestDesktopIntegration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // Otherwise the system's language alone could bring the Japanese texts.
        QVERIFY(QLocale::system().language() != QLocale::Japanese);
        introduceToDesktop(*qApp);
    }

    void textBoxMenusAreJapanese()
    {
        QLineEdit box(u"ことば"_s);
        box.selectAll();
        std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList texts;
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator())
                texts << action->text().section(u'\t', 0, 0); // without the shortcut
        }
        QCOMPARE(texts,
                 (QStringList{u"元に戻す(&U)"_s, u"やり直す(&R)"_s, u"切り取り(&T)"_s,
                              u"コピー(&C)"_s, u"貼り付け(&P)"_s, u"削除"_s, u"すべてを選択"_s}));
    }

    void theFileDialogOfBrowseIsJapanese()
    {
        QString title;
        QStringList labels;
        QStringList buttons;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            for (const char *name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
                labels << dialog->findChild<QLabel *>(QString::fromLatin1(name))->text();
            for (QAbstractButton *button : dialog->findChild<QDialogButtonBox *>()->buttons())
                buttons << button->text();
            dialog->reject();
        });
        DialogFileChooser chooser;
        chooser.chooseFile(nullptr, {{u"どんぐりくん ファイル"_s, u"どんぐりくん.mdb"_s}}, {});
        QCOMPARE(title, u"開く"_s);
        QCOMPARE(labels, (QStringList{u"アドレス:"_s, u"ファイル名(&N):"_s, u"ファイルの種類:"_s}));
        QCOMPARE(buttons, (QStringList{u"開く(&O)"_s, u"キャンセル"_s}));
    }
};

QTEST_MAIN(TestDesktopIntegration)
#include "test_desktop_integration.moc"
