#include "platform/widgets/PlainText.h"

#include <QLabel>
#include <QMessageBox>

QString menuTitleText(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString windowTitleText(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

QString plainToolTip(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

void showAsPlainText(QMessageBox *box)
{
    if (!box)
        return;
    box->setTextFormat(Qt::PlainText);
    if (auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
}
