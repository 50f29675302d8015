// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>

namespace donguri {

std::optional<QString> DialogFileChooser::chooseFile(QWidget *parent,
                                                     const QList<FileFilter> &filters,
                                                     const QString &startFile)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The type list shows each label exactly as written, but the dialog would read its own
    // patterns out of a label ("htmlファイル (*.htm)" would hide .html files, and a label without
    // parentheses matches nothing). So the patterns are set on the dialog's file model each time
    // a type is chosen; that needs Qt's own dialog rather than the desktop's.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (const FileFilter &filter : filters)
        labels << filter.label;
    dialog.setNameFilters(labels);
    auto *files = dialog.findChild<QFileSystemModel *>();
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &label) {
        const qsizetype index = labels.indexOf(label);
        if (files && index >= 0)
            files->setNameFilters(filters.at(index).patterns.split(u' ', Qt::SkipEmptyParts));
    });
    if (!labels.isEmpty()) {
        dialog.selectNameFilter(labels.first());
        Q_EMIT dialog.filterSelected(labels.first());
    }
    if (!startFile.isEmpty())
        dialog.selectFile(startFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

RememberingChooser::RememberingChooser(FileChooser &chooser, QList<FileFilter> filters)
    : m_chooser(chooser), m_filters(std::move(filters))
{
}

std::optional<QString> RememberingChooser::choose(QWidget *parent)
{
    std::optional<QString> chosen = m_chooser.chooseFile(parent, m_filters, m_lastFile);
    if (chosen)
        m_lastFile = *chosen;
    return chosen;
}

} // namespace donguri
