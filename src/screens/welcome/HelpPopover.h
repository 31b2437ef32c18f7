#pragma once
// A small popover of help text beside a help button. It shows the shared ToolTipsDetailsVC while
// the pointer is over one of the buttons it is attached to and closes when the pointer leaves.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QFrame;
class QWidget;
class ToolTipsDetailsVC;

class HelpPopover : public QObject
{
    Q_OBJECT
public:
    explicit HelpPopover(ToolTipsDetailsVC *content, QObject *parent = nullptr);
    ~HelpPopover() override;

    ToolTipsDetailsVC *contentViewController() const { return m_content; }

    // Shows the popover beside `anchor` with the text: the text goes into the content's
    // messageValue, the popover opens relative to the anchor's bounds, then the label takes the text.
    void showRelativeTo(QWidget *anchor, const QString &helpText);
    // Closes the popover; the content stays for the next presentation.
    void close();
    bool isShown() const;
    // The button the popover was last shown for.
    QWidget *anchor() const { return m_anchor; }

    // Makes `button` a help button: entering it shows the text of `textKey` from the language
    // table (empty when the key is missing), leaving it closes the popover.
    void attach(QWidget *button, const QString &textKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QPointer<ToolTipsDetailsVC> m_content;
    QPointer<QWidget> m_anchor;
    QFrame *m_frame = nullptr;
    QHash<QObject *, QString> m_keys;
};
