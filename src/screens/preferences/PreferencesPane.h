#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

// One pane of the Preferences window. Each time the pane comes on screen (a tab switch, the window
// shown) it reloads its settings (viewWillAppear) and then names the window after itself
// (viewDidAppear), so the title always names the tab on show.
class PreferencesPane : public QWidget
{
    Q_OBJECT
public:
    explicit PreferencesPane(const QString &titleKey, QWidget *parent = nullptr);

    // The text key of the pane's tab label and window title.
    QString titleKey() const { return m_titleKey; }

    virtual void viewWillAppear() { }
    // Sets the title of the window that holds the pane to the text of titleKey().
    virtual void viewDidAppear();

    // Side insets of the panes' contents; never negative.
    static constexpr int kSideInset = 20;

protected:
    void showEvent(QShowEvent *event) override;

    // A caption label: plain text that wraps.
    static QLabel *makeCaption(QWidget *parent, bool bold = false);

    // The folder-list layout the excluded and protected panes share: a caption over a table of
    // folders (one row selected at a time, not editable) with Add and Remove buttons below it.
    // Remove starts disabled until a row is selected.
    struct FolderTable {
        QLabel *caption = nullptr;
        QTableWidget *table = nullptr;
        QPushButton *add = nullptr;
        QPushButton *remove = nullptr;
    };
    static FolderTable makeFolderTable(QWidget *pane, int columns);

private:
    QString m_titleKey;
};
