#pragma once
// The support pane: help texts and a phone picture. When it is shown inside another controller, the
// window that holds it takes the pane's title.

#include <QWidget>

class QLabel;

class SupportVC : public QWidget
{
    Q_OBJECT
public:
    explicit SupportVC(QWidget *parent = nullptr);

    QLabel *lblLiveHelpAvailableCallus = nullptr;
    QLabel *lblForHelpOnAnySystemRelated = nullptr;
    QLabel *lblContactNo = nullptr;
    QLabel *lblTollFree24x7 = nullptr;
    QLabel *lblAdditionalOffers = nullptr;
    QLabel *imgViewPhone = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};
