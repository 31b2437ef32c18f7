#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

// The header bar of one group in the results grid: the group's title and file count, its
// select/unselect toggle, its lock button and the grid's zoom button. The screen that shows it fills
// the texts, images, tags and actions; the bar draws its background and shows the pointing hand over
// its buttons while no sheet or dialog is up.
class HeaderView : public QWidget
{
    Q_OBJECT
public:
    explicit HeaderView(QWidget *parent = nullptr);

    QLabel *sectionTitle = nullptr;
    QLabel *imageCount = nullptr;
    QToolButton *btnSelectUnselectGroup = nullptr;
    QToolButton *btnLockGroup = nullptr;
    QToolButton *btnZoom = nullptr; // absent in the list's header

    // The group shown (the tag its buttons carry).
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // Sets a button's image by name ("selectall", "lock.png", ...) and remembers the name.
    static void setButtonImage(QToolButton *button, const QString &name);
    static QString buttonImage(const QToolButton *button);

protected:
    HeaderView(bool withZoom, QWidget *parent);
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int tag_ = -1;
};
