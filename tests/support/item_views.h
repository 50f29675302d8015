// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemView>
#include <QStringList>
#include <QTest>

namespace donguri::testing {

// Whether the model is still reading rows from elsewhere (a model that does says so through
// an invokable isReading()).
inline bool isReading(const QAbstractItemModel *model)
{
    bool reading = false;
    QMetaObject::invokeMethod(const_cast<QAbstractItemModel *>(model), "isReading",
                              Qt::DirectConnection, Q_RETURN_ARG(bool, reading));
    return reading;
}

// What a row shows once it has been read.
inline QVariant shownRow(const QAbstractItemView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    QVariant shown = index.data();
    if (!shown.isValid() && QTest::qWaitFor([&] { return !isReading(view->model()); }, 10000))
        shown = index.data();
    return shown;
}

// What a list shows, row by row, as the view reads it from its model.
inline QStringList shownRows(const QAbstractItemView *view)
{
    QStringList rows;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        rows << shownRow(view, row).toString();
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
