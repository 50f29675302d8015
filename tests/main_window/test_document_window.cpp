// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/document_window.h"
#include "support/fakes.h"
#include "support/sample_files.h"
#include "support/test_env.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

// The document window's button "既定のアプリで開く" hands the shown file to the desktop, which
// starts whatever it finds fit for the file's type: never a program.
class TestDocumentWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir.emplace();
        m_browser.opened.clear();
        m_window.emplace(m_browser);
    }
    void cleanup() { m_window.reset(); }

    void aDocumentGoesToTheDesktopsApplication_data() { documents(); }
    void aDocumentGoesToTheDesktopsApplication()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QUrl shown = show(name, bytes);
        openInDesktopApplication();
        QCOMPARE(m_browser.opened, QList<QUrl>{shown});
    }

    void aProgramNeverGoesToTheDesktop_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray script = "#!/bin/sh\ntouch pwned\n";
        const QByteArray entry = "[Desktop Entry]\nType=Application\nExec=touch pwned\n";
        QTest::newRow("shell script") << u"run.sh"_s << script;
        QTest::newRow("script named like a text") << u"notes.txt"_s << script;
        QTest::newRow("Python script named like a text")
            << u"notes.txt"_s << QByteArray("#!/usr/bin/python3\nprint(1)\n");
        QTest::newRow("desktop entry") << u"app.desktop"_s << entry;
        QTest::newRow("desktop entry named like a text") << u"app.txt"_s << entry;
        QTest::newRow("program named like a page") << u"tool.html"_s << linuxProgramBytes();
        QTest::newRow("MZ program named like a page") << u"setup.htm"_s << windowsProgramBytes();
        QTest::newRow("program") << u"tool"_s << linuxProgramBytes();
    }
    void aProgramNeverGoesToTheDesktop()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        show(name, bytes); // however it came to be shown
        openInDesktopApplication();
        QVERIFY(m_browser.opened.isEmpty());
    }

    void aDocumentReplacedByAProgramSinceItWasShownIsNotHandedOn()
    {
        show(u"page.html"_s, "<html><body>x</body></html>");
        writeBytes(m_dir->filePath(u"page.html"_s), linuxProgramBytes());
        openInDesktopApplication();
        QVERIFY(m_browser.opened.isEmpty());
    }

private:
    static void documents()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("page") << u"page.html"_s << QByteArray("<html><body>x</body></html>");
        QTest::newRow("text") << u"memo.txt"_s << u"覚え書き"_s.toUtf8();
        QTest::newRow("picture") << u"acorn.png"_s << pictureBytes();
    }

    // Writes the file with every mode bit and shows it in the window.
    QUrl show(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir->filePath(name);
        writeBytes(path, bytes);
        QFile::setPermissions(path, EveryBit);
        const QUrl url = QUrl::fromLocalFile(path);
        m_window->showDocument(url);
        return url;
    }

    void openInDesktopApplication()
    {
        auto *button = m_window->findChild<QAction *>(u"OpenInDesktopApplication"_s);
        QVERIFY(button);
        button->trigger();
    }

    std::optional<QTemporaryDir> m_dir;
    FakeBrowser m_browser;
    std::optional<DocumentWindow> m_window;
};

QTEST_MAIN(TestDocumentWindow)
#include "test_document_window.moc"
