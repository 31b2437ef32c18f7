#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class SYFlatButton;

// The pattern the three confirmation sheets of the results screen share: a picture, a title, the
// question, a confirm and a cancel button and a "do not show again" check box bound to one of the
// three alert switches. The opener has written "IsPopUpTWK" = true and shown its dimming layer;
// both buttons clear them again. The check box starts off at every showing; ticking it turns the
// question off at once (stored in the settings), whatever button follows. Escape cancels,
// Return confirms.
class ConfirmationDialog : public QWidget
{
    Q_OBJECT
public:
    enum class Switch { ConfirmBeforeDeleting, ShowAutoMarkAlert, BackToHomeAlert };

    ConfirmationDialog(const QString &identifier, Switch alertSwitch, const char *messageKey, const char *confirmKey,
                       const char *cancelKey, QWidget *parent = nullptr);

    // ---- outlets
    QLabel *imgView = nullptr;
    QLabel *lblMessage = nullptr;
    SYFlatButton *btnOk = nullptr;
    SYFlatButton *btnCancel = nullptr;
    QCheckBox *btnDonotShowAgain = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblOk = nullptr;
    QLabel *lblCancel = nullptr;
    QLabel *lblDonotShowAgain = nullptr;

    // The check box to the off state (every time the sheet is about to be shown).
    void viewWillAppear();
    virtual void tappedOk() = 0;
    virtual void tappedCancel();
    // The sheet's switch becomes true when the box is off and false when it is on; all three
    // switches are then saved.
    void tappedDonotShowAgain();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Closes the sheet that shows this controller.
    void dismiss();
    // "IsPopUpTWK" = false and the results screen's dimming layer hidden.
    static void endPopUp();
    // The layout box under the question where a sheet adds its own controls.
    QWidget *extraArea() const { return m_extra; }

private:
    Switch m_switch;
    QWidget *m_extra = nullptr;
};
