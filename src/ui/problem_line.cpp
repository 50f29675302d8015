// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "problem_line.h"

#include <QLabel>
#include <QWidget>

#include <algorithm>

namespace donguri {

namespace {
constexpr int LineHeight = 18; // the least the line takes
constexpr int Gap = 4;         // between the line and the window's bottom edge
constexpr int Margin = 8;
} // namespace

ProblemLine::ProblemLine(QWidget *window, QSize clientSize)
    : m_window(window), m_clientSize(clientSize), m_label(new QLabel(window))
{
    m_label->setObjectName(QStringLiteral("ProblemLine"));
    m_label->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->hide();
    m_window->setFixedSize(m_clientSize);
}

// A long text wraps at the window's width, and the window grows by as many lines as it takes.
void ProblemLine::show(const QString &text, const QString &detail)
{
    m_label->setText(text);
    m_label->setAccessibleName(text);
    m_label->setToolTip(detail);
    const int width = m_clientSize.width() - 2 * Margin;
    const int height = std::max(LineHeight, m_label->heightForWidth(width));
    m_label->setGeometry(Margin, m_clientSize.height(), width, height);
    m_label->show();
    m_window->setFixedSize(m_clientSize + QSize(0, height + Gap));
}

void ProblemLine::clear()
{
    m_label->hide();
    m_label->clear();
    m_window->setFixedSize(m_clientSize);
}

} // namespace donguri
