// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace donguri {

// One entry of a chooser's type list: what the user reads, and the file names it lets through.
struct FileFilter
{
    QString label;    // shown exactly as given, e.g. "htmlファイル (*.htm)"
    QString patterns; // space-separated, e.g. "*.htm *.html"
};

// An Open dialog. The first filter is preselected; it starts from `startFile` when one is given.
// Nullopt when the user cancels or the dialog fails.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    virtual std::optional<QString> chooseFile(QWidget *parent, const QList<FileFilter> &filters,
                                              const QString &startFile) = 0;
};

class DialogFileChooser final : public FileChooser
{
public:
    std::optional<QString> chooseFile(QWidget *parent, const QList<FileFilter> &filters,
                                      const QString &startFile) override;
};

// Remembers the last chosen file, so the next choice starts from it (one per window).
class RememberingChooser
{
public:
    explicit RememberingChooser(FileChooser &chooser, QList<FileFilter> filters);
    std::optional<QString> choose(QWidget *parent);

private:
    FileChooser &m_chooser;
    QList<FileFilter> m_filters;
    QString m_lastFile;
};

} // namespace donguri
