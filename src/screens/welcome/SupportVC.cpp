#include "screens/welcome/SupportVC.h"

#include "screens/welcome/WelcomeStyle.h"
#include "model/TextLookup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

SupportVC::SupportVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Support"));
    WelcomeStyle::applyDarkPalette(this);
    setMinimumSize(420, 200);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(28, 26, 28, 26);
    layout->setSpacing(22);
    imgViewPhone = new QLabel(this);
    imgViewPhone->setPixmap(QPixmap(QStringLiteral(":/images/support-phone.png")));
    imgViewPhone->setFixedSize(64, 64);
    layout->addWidget(imgViewPhone, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    lblLiveHelpAvailableCallus = WelcomeStyle::makeLabel(this, 15, true, Palette::white, true);
    lblForHelpOnAnySystemRelated = WelcomeStyle::makeLabel(this, 11, false, Palette::secondaryText, true);
    lblContactNo = WelcomeStyle::makeLabel(this, 13, true, Palette::gold);
    lblTollFree24x7 = WelcomeStyle::makeLabel(this, 10, false, Palette::secondaryText);
    lblAdditionalOffers = WelcomeStyle::makeLabel(this, 10, false, Palette::secondaryText, true);
    for (QLabel *label :
         {lblLiveHelpAvailableCallus, lblForHelpOnAnySystemRelated, lblContactNo, lblTollFree24x7, lblAdditionalOffers})
        texts->addWidget(label);
    texts->addStretch(1);
    layout->addLayout(texts, 1);

    lblLiveHelpAvailableCallus->setText(localizedText(QStringLiteral("IDS_TWK_5")));
    lblForHelpOnAnySystemRelated->setText(localizedText(QStringLiteral("IDS_TWK_6")) + QLatin1Char('\n')
                                          + localizedText(QStringLiteral("IDS_TWK_7")));
    lblContactNo->setText(localizedText(QStringLiteral("IDS_TWK_9")));
    lblTollFree24x7->setText(localizedText(QStringLiteral("IDS_TWK_8")));
    lblAdditionalOffers->setText(localizedText(QStringLiteral("IDS_TWK_10")));
    lblContactNo->setVisible(false);
    lblAdditionalOffers->setVisible(false);
    lblTollFree24x7->setVisible(false);
}

void SupportVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Hosted by another controller: the hosting window carries the pane's title.
    QWidget *host = parentWidget();
    if (host && host->window() && host->window() != this)
        host->window()->setWindowTitle(localizedText(QStringLiteral("IDS_TWK_270")));
}
