#include "entry_fields.h"

#include "ui_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace donguri {

namespace {
// Client area of both windows, 7215 × 2805 twips.
const QSize ClientSize(481, 187);

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, QRect place)
{
    auto *label = new QLabel(caption, parent);
    nameControl(label, name, caption);
    label->setFont(japaneseFont(11.25));
    label->setGeometry(place);
    return label;
}
} // namespace

EntryFields::EntryFields(QWidget *window, FileChooser &chooser)
    : m_window(window), m_problem(window, ClientSize), m_chooser(chooser, linkFilters())
{
    window->setFont(japaneseFont());

    m_word = new QLineEdit(window);
    nameControl(m_word, QStringLiteral("Text1"), QStringLiteral("言葉"));
    m_word->setGeometry(fromTwips(960, 120, 5055, 270));
    m_wordLabel = makeLabel(window, QStringLiteral("Label1"), QStringLiteral("言葉"),
                            fromTwips(240, 120, 615, 255));
    m_meaningLabel = makeLabel(window, QStringLiteral("Label2"), QStringLiteral("意味"),
                               fromTwips(240, 600, 495, 255));
    m_meaning = new QPlainTextEdit(window);
    nameControl(m_meaning, QStringLiteral("Text2"), QStringLiteral("意味"));
    m_meaning->setGeometry(fromTwips(960, 600, 5055, 1695));
    m_meaning->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_meaning->setTabChangesFocus(true);
    m_link = new QLineEdit(window);
    nameControl(m_link, QStringLiteral("Text3"), QStringLiteral("リンク"));
    m_link->setGeometry(fromTwips(960, 2400, 5055, 270));
    m_linkLabel = makeLabel(window, QStringLiteral("Label3"), QStringLiteral("リンク"),
                            fromTwips(120, 2400, 735, 255));
    m_browse = makeButton(window, QStringLiteral("Command2"), QStringLiteral("参照"),
                          fromTwips(6120, 2400, 855, 255));

}

QString EntryFields::wordText() const { return m_word->text(); }
QString EntryFields::meaningText() const { return m_meaning->toPlainText(); }
QString EntryFields::linkText() const { return m_link->text(); }

void EntryFields::FOPEN()
{
    if (const std::optional<QString> chosen = m_chooser.choose(m_window))
        m_link->setText(*chosen);
}

QList<FileFilter> EntryFields::linkFilters()
{
    return {{QStringLiteral("htmlファイル (*.htm)"), QStringLiteral("*.htm *.html")},
            {QStringLiteral("テキストファイル(*.txt)"), QStringLiteral("*.txt")},
            {QStringLiteral("ピクチャ (*.bmp)"), QStringLiteral("*.bmp")}};
}

} // namespace donguri
