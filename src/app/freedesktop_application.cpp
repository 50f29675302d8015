// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "freedesktop_application.h"

namespace donguri {

FreedesktopApplication::FreedesktopApplication(QObject *exported,
                                               std::function<void()> bringForward)
    : QDBusAbstractAdaptor(exported), m_bringForward(std::move(bringForward))
{
}

void FreedesktopApplication::Activate(const QVariantMap &)
{
    m_bringForward();
}

void FreedesktopApplication::Open(const QStringList &, const QVariantMap &)
{
    m_bringForward();
}

void FreedesktopApplication::ActivateAction(const QString &, const QVariantList &,
                                            const QVariantMap &)
{
    m_bringForward();
}

} // namespace donguri
