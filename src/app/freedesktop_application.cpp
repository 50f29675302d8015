// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "freedesktop_application.h"

namespace donguri {

FreedesktopApplication::FreedesktopApplication(QObject *exported,
                                               std::function<void()> bringForward,
                                               ActionRunner runAction)
    : QDBusAbstractAdaptor(exported), m_bringForward(std::move(bringForward)),
      m_runAction(std::move(runAction))
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

void FreedesktopApplication::ActivateAction(const QString &name, const QVariantList &parameter,
                                            const QVariantMap &)
{
    if (!m_runAction(name, parameter))
        m_bringForward();
}

} // namespace donguri
