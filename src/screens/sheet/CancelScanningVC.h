#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class ScanVC;
class SYFlatButton;

// The small sheet shown over a paused scan: "No" resumes the work, "Yes" stops it and closes both
// sheets.
class CancelScanningVC : public QWidget
{
    Q_OBJECT
public:
    explicit CancelScanningVC(QWidget *parent = nullptr);

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QLabel *imgViewTitle = nullptr;
    QLabel *message = nullptr;
    SYFlatButton *btnYes = nullptr;
    SYFlatButton *btnNo = nullptr;
    QLabel *lblYes = nullptr;
    QLabel *lblNo = nullptr;

    // The sheet this one pauses; without one, the registry's scan sheet.
    void setScanSheet(ScanVC *sheet) { m_sheet = sheet; }
    ScanVC *scanSheet() const;

    void clickedNo();
    void clickedYes();
    void closeVC();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void dismiss();

    QPointer<ScanVC> m_sheet;
};
