#pragma once

#include <QFrame>

class QLabel;
class buttoncursor;

// One card of the other-apps window: icon, name, one-line description, category and the button
// that opens where to get the application.
class collectionView_cell : public QFrame
{
    Q_OBJECT
public:
    explicit collectionView_cell(QWidget *parent = nullptr);

    QLabel *lblapptype = nullptr;
    buttoncursor *btnappstore = nullptr;
    QLabel *imgview = nullptr;
    QLabel *lblsubtitle = nullptr;
    QLabel *lbltitle = nullptr;

    static constexpr int kWidth = 430;
    static constexpr int kHeight = 150;
};
