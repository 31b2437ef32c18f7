#pragma once

#include <QWidget>

// The settings panel of the exact-match scan: an empty panel in the theme's dark grey that the
// home screen shows in place of the similarity settings when the exact scan is chosen. It has no
// behaviour of its own. Made once by the screen registry ("ExactMatch").
class ExactMatchVC : public QWidget
{
    Q_OBJECT
public:
    explicit ExactMatchVC(QWidget *parent = nullptr);
};
