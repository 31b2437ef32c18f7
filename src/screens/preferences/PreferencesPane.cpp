#include "screens/preferences/PreferencesPane.h"

#include "model/TextLookup.h"

#include <QLabel>
#include <QShowEvent>

PreferencesPane::PreferencesPane(const QString &titleKey, QWidget *parent)
    : QWidget(parent)
    , m_titleKey(titleKey)
{
}

void PreferencesPane::viewDidAppear()
{
    if (QWidget *top = window(); top && top != this)
        top->setWindowTitle(localizedText(m_titleKey));
}

void PreferencesPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // the window coming back from minimised: the pane did not change
    viewWillAppear();
    viewDidAppear();
}

QLabel *PreferencesPane::makeCaption(QWidget *parent, bool bold)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}
