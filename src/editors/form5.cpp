// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "form5.h"

#include "settings/database_location.h"
#include "settings/settings_file.h"
#include "ui/shared_state.h"
#include "ui/ui_support.h"

#include <QLineEdit>
#include <QPushButton>

namespace donguri {

namespace {
const QSize ClientSize(365, 36); // 5475 × 540 twips

QList<FileFilter> databaseFilter()
{
    // Only files of exactly this name are offered, in whatever folder the user opens.
    return {{QStringLiteral("どんぐりくん ファイル"), QStringLiteral("どんぐりくん.mdb")}};
}
} // namespace

Form5::Form5(SharedState &state, FileChooser &chooser, QWidget *parent)
    : QWidget(parent), m_state(state), m_chooser(chooser, databaseFilter()),
      m_text1(new QLineEdit(this)), m_problem(this, ClientSize)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ファイル設定"));
    setAccessibleName(windowTitle());
    setFont(japaneseFont());
    nameControl(m_text1, QStringLiteral("Text1"), QStringLiteral("データベースのパス"));
    // A file chosen with 参照, or a PostgreSQL server's address typed in, for a knowledge base
    // shared by several computers.
    m_text1->setToolTip(QStringLiteral("知識ベースのファイル、またはサーバーのURI "
                                       "(postgresql://サーバー名/データベース名)"));
    m_text1->setGeometry(fromTwips(240, 120, 3495, 270));
    auto *browse = makeButton(this, QStringLiteral("Command1"), QStringLiteral("参照"),
                              fromTwips(3840, 120, 735, 255));
    auto *save = makeButton(this, QStringLiteral("Command2"), QStringLiteral("登録"),
                            fromTwips(4560, 120, 735, 255));
    setTabOrder(m_text1, browse);
    setTabOrder(browse, save);
    connect(browse, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(save, &QPushButton::clicked, this, &Form5::Command2_Click);
    Form_Load();
}

// Shows the path stored in the settings file. A missing file is created empty, so that there is
// one to rewrite; the next start-up then falls back to the default database.
void Form5::Form_Load()
{
    const FirstLine first = readFirstLine(m_state.SettingsFile);
    switch (first.status) {
    case FirstLine::Status::Read:
        m_text1->setText(first.line);
        break;
    case FirstLine::Status::Missing:
        createEmptySettingsFile(m_state.SettingsFile);
        break;
    case FirstLine::Status::Unreadable:
        break;
    }
}

void Form5::Command1_Click()
{
    if (const std::optional<QString> chosen = m_chooser.choose(this))
        m_text1->setText(*chosen);
}

// The path takes effect at once for every window's next use, and is stored for later runs.
// An empty box stands for the default knowledge base, stored as a first start stores it; a path
// written on another system is stored as typed and read as start-up reads it. A knowledge base that
// is not there yet is made by the next question, which then says so. When the path cannot be stored
// the window stays, and says so.
void Form5::Command2_Click()
{
    const ProgramFiles home = ProgramFiles::holding(m_state.SettingsFile);
    if (m_text1->text().isEmpty())
        m_text1->setText(home.defaultDatabase());
    const QString line = m_text1->text();
    m_state.DatabasePath = databaseNamedBy(line, m_state.Places, home);
    m_state.NewKnowledgeBases.watch(m_state.DatabasePath);
    if (!writeSettingsLine(m_state.SettingsFile, line)) {
        m_problem.show(
            QStringLiteral("設定を保存できませんでした。このファイルは今回だけ使います。"),
            m_state.SettingsFile);
        return;
    }
    m_problem.clear();
    close();
}

} // namespace donguri
