// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "document_window.h"

#include "ui/ui_support.h"

#include <QAction>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace donguri {

DocumentWindow::DocumentWindow(WebBrowser &browser, QWidget *parent)
    : QMainWindow(parent), m_browser(browser), m_view(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("DocumentWindow"));
    // It does a web browser's work: coming back from it is coming back from outside.
    standInForAnotherApplication(this);
    setFont(japaneseFont());
    resize(720, 560);
    m_view->setObjectName(QStringLiteral("DocumentView"));
    m_view->setAccessibleName(QStringLiteral("文書"));
    // Links inside a document go through the same rules as an entry's link.
    m_view->setOpenLinks(false);
    m_view->setOpenExternalLinks(false);
    setCentralWidget(m_view);

    QToolBar *bar = addToolBar(QStringLiteral("ツールバー"));
    bar->setObjectName(QStringLiteral("DocumentToolBar"));
    bar->setMovable(false);
    QAction *back =
        bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("戻る"));
    QAction *forward =
        bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("進む"));
    QAction *external = bar->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                       QStringLiteral("既定のアプリで開く"));
    back->setObjectName(QStringLiteral("Back"));
    forward->setObjectName(QStringLiteral("Forward"));
    external->setObjectName(QStringLiteral("OpenInDesktopApplication"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, m_view, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_view, &QTextBrowser::forward);
    connect(m_view, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_view, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(external, &QAction::triggered, this, &DocumentWindow::openInDesktopApplication);
    connect(m_view, &QTextBrowser::anchorClicked, this, &DocumentWindow::followLink);
    connect(m_view, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
        setWindowTitle(QFileInfo(url.toLocalFile()).fileName());
        setAccessibleName(windowTitle());
    });
}

void DocumentWindow::showDocument(const QUrl &url)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(url.toLocalFile());
    if (type.name().startsWith(u"image/"))
        m_view->setSource(url, QTextDocument::ImageResource);
    else if (type.name() == u"text/html" || type.name() == u"application/xhtml+xml")
        m_view->setSource(url, QTextDocument::HtmlResource);
    else if (type.name() == u"text/markdown")
        m_view->setSource(url, QTextDocument::MarkdownResource);
    else
        m_view->setSource(url, QTextDocument::UnknownResource); // shown as plain text
    showNormal();
    raise();
    activateWindow();
}

QUrl DocumentWindow::source() const
{
    return m_view->source();
}

QString DocumentWindow::plainText() const
{
    return m_view->toPlainText();
}

void DocumentWindow::followLink(const QUrl &url)
{
    const QUrl resolved = m_view->source().resolved(url);
    const QString folder = QFileInfo(m_view->source().toLocalFile()).absolutePath();
    const LinkTarget target =
        classifyLink(resolved.isLocalFile() ? resolved.toLocalFile() : resolved.toString(), folder);
    if (target.kind == LinkTarget::Kind::LocalDocument)
        showDocument(target.url);
    else if (target.kind == LinkTarget::Kind::WebPage)
        m_browser.openUrl(target.url);
}

void DocumentWindow::openInDesktopApplication()
{
    // Checked again now: the file may have been replaced since it was shown, and the desktop's
    // default application for a program is the program itself.
    const QUrl shown = m_view->source();
    if (shown.isLocalFile() && isDocumentFile(QFileInfo(shown.toLocalFile())))
        m_browser.openUrl(shown);
}

DesktopLinkOpener::DesktopLinkOpener(WebBrowser &browser) : m_browser(browser) {}

DesktopLinkOpener::~DesktopLinkOpener() = default;

void DesktopLinkOpener::open(const QString &link, const QString &baseFolder)
{
    const LinkTarget target = classifyLink(link, baseFolder);
    switch (target.kind) {
    case LinkTarget::Kind::LocalDocument:
        if (!m_window)
            m_window = std::make_unique<DocumentWindow>(m_browser);
        m_window->showDocument(target.url);
        break;
    case LinkTarget::Kind::WebPage:
        m_browser.openUrl(target.url);
        break;
    case LinkTarget::Kind::None:
    case LinkTarget::Kind::Refused:
        break;
    }
}

} // namespace donguri
