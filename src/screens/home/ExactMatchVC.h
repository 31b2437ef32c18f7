#pragma once

#include <QWidget>

class QLabel;

// The settings panel of the exact-match scan, shown by the home screen in place of the similarity
// settings when the exact scan is chosen. The exact scan has nothing to set, so the panel only says
// what the scan compares. Made once by the screen registry ("ExactMatch").
class ExactMatchVC : public QWidget
{
    Q_OBJECT
public:
    explicit ExactMatchVC(QWidget *parent = nullptr);

    QLabel *lblDescription = nullptr;
};
