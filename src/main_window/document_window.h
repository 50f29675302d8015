// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link_opener.h"

#include <QMainWindow>

class QTextBrowser;

namespace donguri {

// The program's own window for linked documents: a tool bar (back, forward, open in the
// desktop's application) over the document; no menu bar, never full screen.
class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(WebBrowser &browser, QWidget *parent = nullptr);

    // Loads the document (synchronously: it is a local file) and shows the window.
    void showDocument(const QUrl &url);
    QUrl source() const;
    QString plainText() const;

private:
    void followLink(const QUrl &url);
    void openInDesktopApplication();

    WebBrowser &m_browser;
    QTextBrowser *m_view;
};

// Opens links the safe way: local documents in the document window, web pages in the browser,
// everything else not at all.
class DesktopLinkOpener final : public LinkOpener
{
public:
    explicit DesktopLinkOpener(WebBrowser &browser);
    ~DesktopLinkOpener() override;
    void open(const QString &link, const QString &baseFolder) override;
    DocumentWindow *documentWindow() const { return m_window.get(); }

private:
    WebBrowser &m_browser;
    std::unique_ptr<DocumentWindow> m_window;
};

} // namespace donguri
