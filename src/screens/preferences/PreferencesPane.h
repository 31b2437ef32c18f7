#pragma once

#include <QString>
#include <QWidget>

class QLabel;

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

    virtual void viewWillAppear() {}
    // Sets the title of the window that holds the pane to the text of titleKey().
    virtual void viewDidAppear();

    // Side insets of the panes' contents; never negative.
    static constexpr int kSideInset = 20;

protected:
    void showEvent(QShowEvent *event) override;

    // A caption label: plain text that wraps.
    static QLabel *makeCaption(QWidget *parent, bool bold = false);

private:
    QString m_titleKey;
};
