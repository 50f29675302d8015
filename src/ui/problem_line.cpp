// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "problem_line.h"

#include <QLabel>
#include <QWidget>

namespace donguri {

namespace {
constexpr int RowHeight = 22;
}

ProblemLine::ProblemLine(QWidget *window, QSize clientSize)
    : m_window(window), m_clientSize(clientSize), m_label(new QLabel(window))
{
    m_label->setObjectName(QStringLiteral("ProblemLine"));
    m_label->setGeometry(8, clientSize.height(), clientSize.width() - 16, RowHeight - 4);
    m_label->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_label->hide();
    m_window->setFixedSize(m_clientSize);
}

void ProblemLine::show(const QString &text, const QString &detail)
{
    m_label->setText(text);
    m_label->setAccessibleName(text);
    m_label->setToolTip(detail);
    m_label->show();
    m_window->setFixedSize(m_clientSize + QSize(0, RowHeight));
}

void ProblemLine::clear()
{
    m_label->hide();
    m_label->clear();
    m_window->setFixedSize(m_clientSize);
}

} // namespace donguri
