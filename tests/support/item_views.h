// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemView>
#include <QStringList>
#include <QTest>

namespace donguri::testing {

// What a list shows, row by row, as the view reads it from its model.
inline QStringList shownRows(const QAbstractItemView *view)
{
    QStringList rows;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->index(row, 0).data().toString();
    return rows;
}

inline int rowCount(const QAbstractItemView *view)
{
    return view->model()->rowCount();
}

// Clicks the middle of a row, as the user does.
inline void clickRow(QAbstractItemView *view, int row)
{
    const QRect place = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, place.center());
}

} // namespace donguri::testing
