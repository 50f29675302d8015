// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_env.h"
#include "ui/file_chooser.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// Drives the real Open dialog: it shows the labels as written and lists files by the patterns.
class TestFileChooser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void labelsAreShownAsWrittenAndPatternsDecide()
    {
        QTemporaryDir dir;
        for (const char *name : {"a.htm", "b.html", "c.txt", "d.bmp", "e.sh"})
            writeBytes(dir.filePath(QString::fromLatin1(name)), "x");
        const QList<FileFilter> filters = {{u"htmlファイル (*.htm)"_s, u"*.htm *.html"_s},
                                           {u"テキストファイル(*.txt)"_s, u"*.txt"_s}};
        QStringList shownLabels;
        QStringList firstPatterns;
        QStringList secondPatterns;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = findDialog();
            QVERIFY(dialog);
            shownLabels = dialog->nameFilters();
            auto *model = dialog->findChild<QFileSystemModel *>();
            firstPatterns = model->nameFilters();
            auto *types = dialog->findChild<QComboBox *>(u"fileTypeCombo"_s);
            types->setCurrentIndex(1);
            Q_EMIT types->activated(1);
            secondPatterns = model->nameFilters();
            dialog->selectFile(dir.filePath(u"b.html"_s));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        DialogFileChooser chooser;
        const std::optional<QString> chosen =
            chooser.chooseFile(nullptr, filters, dir.filePath(u"a.htm"_s));
        QCOMPARE(shownLabels,
                 (QStringList{u"htmlファイル (*.htm)"_s, u"テキストファイル(*.txt)"_s}));
        QCOMPARE(firstPatterns, (QStringList{u"*.htm"_s, u"*.html"_s}));
        QCOMPARE(secondPatterns, QStringList{u"*.txt"_s});
        QCOMPARE(chosen, std::optional<QString>(dir.filePath(u"b.html"_s)));
    }

    void cancelGivesNothing()
    {
        QTimer::singleShot(0, this, [&] {
            if (auto *dialog = findDialog())
                dialog->reject();
        });
        DialogFileChooser chooser;
        QCOMPARE(
            chooser.chooseFile(nullptr, {{u"どんぐりくん ファイル"_s, u"どんぐりくん.mdb"_s}}, {}),
            std::nullopt);
    }

private:
    static QFileDialog *findDialog()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }
};

QTEST_MAIN(TestFileChooser)
#include "test_file_chooser.moc"
