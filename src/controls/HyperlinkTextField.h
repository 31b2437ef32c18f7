#pragma once

#include <QColor>
#include <QLabel>

// Colour and underline applied to the whole text of a link label.
struct HyperlinkTextAttributes {
    QColor foreground;
    bool underline = false;
    bool operator==(const HyperlinkTextAttributes &other) const
    {
        return foreground == other.foreground && underline == other.underline;
    }
};

// A label that acts as a link: pointing-hand cursor, underline on hover for the web-page kinds,
// colour change on press and release, and on release a notification naming the link
// ("hyperLinkAutoMarkSelection", "hyperLinkEULA", "hyperLinkPrivacyPolicy",
// "hyperLinkUnInstallInstructions"; no userInfo). It never opens anything itself.
// The text is always shown as plain text.
class HyperlinkTextField : public QLabel
{
    Q_OBJECT
public:
    explicit HyperlinkTextField(QWidget *parent = nullptr);
    explicit HyperlinkTextField(const QString &text, QWidget *parent = nullptr);

    bool isAutoMarkSelection = false;
    bool isEULA = false;
    bool isUnInstallInstructions = false;
    bool isPrivacyPolicy = false;

    const HyperlinkTextAttributes attributesBeforeClick;              // light grey, underlined
    const HyperlinkTextAttributes attributesAfterClick;               // grey, underlined
    const HyperlinkTextAttributes attributesWithoutUnderLineWithLink; // focus blue
    const HyperlinkTextAttributes attributesBeforeClickWithLink;      // focus blue, underlined
    const HyperlinkTextAttributes attributesAfterClickWithLink;       // selection blue, underlined

    // The attribute set the text is shown with now; absent until the first hover or click.
    const HyperlinkTextAttributes *shownAttributes() const { return m_shown; }
    // Shows the current text again with one of the attribute sets above.
    void showTextWithAttributes(const HyperlinkTextAttributes &attributes);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void setupField();
    bool isWebPageLink() const { return isEULA || isUnInstallInstructions || isPrivacyPolicy; }
    const HyperlinkTextAttributes *m_shown = nullptr;
};
