// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

class QFileInfo;

namespace donguri {

// What an entry's link is, and so what may be done with it.
struct LinkTarget
{
    enum class Kind {
        None,          // empty link
        LocalDocument, // an existing text, HTML or image file: shown in the document window
        WebPage,       // http or https: handed to the desktop's browser
        Refused,       // missing file, program, script, any other scheme: never opened
    };
    Kind kind = Kind::None;
    QUrl url;
};

// Relative paths are taken from the knowledge base's own folder.
LinkTarget classifyLink(const QString &link, const QString &baseFolder);

// A readable file of a type the document window shows (HTML, text, a picture) whose contents
// are not a program, a script or a desktop entry.
bool isDocumentFile(const QFileInfo &file);

// The folder relative links are taken from: the knowledge base file's. A knowledge base on a
// server has no folder on this computer; its relative links are taken from the folder that
// holds donguri.ini, where this computer keeps the program's own files (and a file knowledge
// base would be), so each computer may keep such documents beside its program.
QString linkFolder(const QString &databasePath, const QString &settingsFile);

// Shows an entry's link. Returns once a local document is loaded; a web page is only handed on.
class LinkOpener
{
public:
    virtual ~LinkOpener() = default;
    virtual void open(const QString &link, const QString &baseFolder) = 0;
};

// The desktop's default browser; behind an interface so tests never start one.
class WebBrowser
{
public:
    virtual ~WebBrowser() = default;
    virtual void openUrl(const QUrl &url) = 0;
};

class DesktopBrowser final : public WebBrowser
{
public:
    void openUrl(const QUrl &url) override;
};

} // namespace donguri
