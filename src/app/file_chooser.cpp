#include "file_chooser.h"

#include <QFileDialog>

namespace donguri {

std::optional<QString> DialogFileChooser::chooseFile(QWidget *parent,
                                                     const QList<FileFilter> &filters,
                                                     const QString &startFile)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Each filter is "label (patterns)"; with the details hidden the dialog shows the label as
    // written while matching the patterns, so "htmlファイル (*.htm)" also lets .html through.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter &filter : filters)
        nameFilters << QStringLiteral("%1 (%2)").arg(filter.label, filter.patterns);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters.first());
    if (!startFile.isEmpty())
        dialog.selectFile(startFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

RememberingChooser::RememberingChooser(FileChooser &chooser, QList<FileFilter> filters)
    : m_chooser(chooser), m_filters(std::move(filters))
{
}

std::optional<QString> RememberingChooser::choose(QWidget *parent)
{
    const std::optional<QString> chosen = m_chooser.chooseFile(parent, m_filters, m_lastFile);
    if (chosen)
        m_lastFile = *chosen;
    return chosen;
}

} // namespace donguri
