#pragma once
// The content of the help popover of the similarity settings: one label and the text it is to show.
// One controller serves every help button; each presentation overwrites the text.

#include <QString>
#include <QWidget>

class QLabel;

class ToolTipsDetailsVC : public QWidget
{
    Q_OBJECT
public:
    explicit ToolTipsDetailsVC(QWidget *parent = nullptr);

    // The label that shows the help text.
    QLabel *message = nullptr;
    // The help text of the button last hovered.
    QString messageValue;
};
