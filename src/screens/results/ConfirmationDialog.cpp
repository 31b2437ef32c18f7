#include "screens/results/ConfirmationDialog.h"
#include "screens/shell/ScreenNames.h"

#include <algorithm>

#include "model/Palette.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/ResultPictures.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/shell/AllViewControllers.h"
#include "services/ProtectedFolders.h"
#include "model/SettingsKeys.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

SYFlatButton *dialogButton(QWidget *parent, const char *name, QLabel *&caption, const char *captionName,
                           const QColor &fill)
{
    auto *button = new SYFlatButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(120, 34);
    button->setCornerRadius(17);
    button->setMomentary(true);
    button->setBorderNormalColor(Qt::transparent);
    button->setBorderHighlightColor(Qt::transparent);
    button->setBackgroundNormalColor(fill);
    button->setBackgroundHighlightColor(fill.darker(130));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    caption = new QLabel(button);
    caption->setObjectName(QString::fromLatin1(captionName));
    caption->setAlignment(Qt::AlignCenter);
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    caption->setGeometry(0, 0, 120, 34);
    caption->setStyleSheet(QStringLiteral("color: " TWINSIFT_WHITE_CSS "; font-weight: bold;"));
    return button;
}

} // namespace

ConfirmationDialog::ConfirmationDialog(const QString &identifier, Switch alertSwitch, const char *messageKey,
                                       const char *confirmKey, const char *cancelKey, QWidget *parent)
    : QWidget(parent)
    , m_switch(alertSwitch)
{
    setObjectName(identifier);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QWidget#%1 { background: " TWINSIFT_CARD_BACKGROUND_CSS "; }"
                                 "QLabel { color: " TWINSIFT_DIALOG_TEXT_CSS "; background: transparent; }"
                                 "QCheckBox { color: " TWINSIFT_CAPTION_TEXT_CSS "; }")
                      .arg(identifier));
    setFixedWidth(500);

    imgView = new QLabel(this);
    imgView->setObjectName(QStringLiteral("imgView"));
    imgView->setFixedSize(96, 96);
    imgView->setPixmap(QPixmap::fromImage(ResultPictures::dialogPicture()));
    lblTitle = new QLabel(localizedText(QStringLiteral("IDS_TWK_1")), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSize(13);
    lblTitle->setFont(titleFont);
    lblMessage = new QLabel(localizedText(QString::fromLatin1(messageKey)), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setTextFormat(Qt::PlainText);

    btnDonotShowAgain = new QCheckBox(this);
    btnDonotShowAgain->setObjectName(QStringLiteral("btnDonotShowAgain"));
    btnDonotShowAgain->setCursor(Qt::PointingHandCursor);
    lblDonotShowAgain = new QLabel(localizedText(QStringLiteral("IDS_TWK_149")), this);
    lblDonotShowAgain->setObjectName(QStringLiteral("lblDonotShowAgain"));
    lblDonotShowAgain->setBuddy(btnDonotShowAgain);
    connect(btnDonotShowAgain, &QCheckBox::clicked, this, [this] { tappedDonotShowAgain(); });

    btnCancel = dialogButton(this, "btnCancel", lblCancel, "lblCancel", Palette::mutedButton);
    btnOk = dialogButton(this, "btnOk", lblOk, "lblOk", Palette::green);
    lblCancel->setText(localizedText(QString::fromLatin1(cancelKey)));
    lblOk->setText(localizedText(QString::fromLatin1(confirmKey)));
    connect(btnOk, &QAbstractButton::clicked, this, [this] { tappedOk(); });
    connect(btnCancel, &QAbstractButton::clicked, this, [this] { tappedCancel(); });

    m_extra = new QWidget(this);
    m_extra->setObjectName(QStringLiteral("extraArea"));
    auto *extraLayout = new QHBoxLayout(m_extra);
    extraLayout->setContentsMargins(0, 0, 0, 0);
    m_extra->hide();

    auto *text = new QVBoxLayout;
    text->setSpacing(8);
    text->addWidget(lblTitle);
    text->addWidget(lblMessage);
    text->addWidget(m_extra);
    text->addStretch(1);
    auto *top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(imgView, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    bottom->addWidget(btnDonotShowAgain);
    bottom->addWidget(lblDonotShowAgain);
    bottom->addStretch(1);
    bottom->addWidget(btnCancel);
    bottom->addSpacing(6);
    bottom->addWidget(btnOk);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(22, 20, 22, 18);
    root->setSpacing(16);
    root->addLayout(top, 1);
    root->addLayout(bottom);
    setMinimumHeight(200);
    resize(width(), std::max(minimumHeight(), root->sizeHint().height())); // as tall as its texts need
}

void ConfirmationDialog::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        viewWillAppear();
        btnOk->setFocus();
    }
}

void ConfirmationDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        tappedCancel();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !btnCancel->hasFocus()) {
        tappedOk();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ConfirmationDialog::viewWillAppear()
{
    btnDonotShowAgain->setChecked(false);
}

void ConfirmationDialog::endPopUp()
{
    platform::UserDefaults::standard().setBool(SettingsKey::isPopUp, false);
    if (auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult)) {
        results->boxTopBlackLayer->hide();
        // The opener stopped the preview; unless a sheet follows, the current card shows again.
        if (results->preview)
            results->preview->showCurrentCardWhenFree();
    }
}

void ConfirmationDialog::dismiss()
{
    if (platform::SheetPresenter::sheetOf(this))
        platform::SheetPresenter::dismissSheet(this);
    else
        hide();
}

void ConfirmationDialog::tappedCancel()
{
    endPopUp();
    dismiss();
}

void ConfirmationDialog::tappedDonotShowAgain()
{
    const bool ask = !btnDonotShowAgain->isChecked();
    switch (m_switch) {
    case Switch::ConfirmBeforeDeleting:
        confirmBeforeDeletingPhotos = ask;
        break;
    case Switch::ShowAutoMarkAlert:
        showAutoMarkAlert = ask;
        break;
    case Switch::BackToHomeAlert:
        backToHomeAlert = ask;
        break;
    }
    saveAlertSettings();
}
