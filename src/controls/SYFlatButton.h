#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariantMap>

class QVariantAnimation;
namespace platform {
class Sound;
}

// Where the image sits relative to the title; the numbering is the one stored with each button.
enum class SYImagePosition : int {
    NoImage = 0,
    ImageOnly = 1,
    ImageLeft = 2,
    ImageRight = 3,
    ImageBelow = 4,
    ImageAbove = 5,
    ImageOverlaps = 6,
    ImageLeading = 7,
    ImageTrailing = 8,
};

// Pure layout of the flat button: the top-left origin of the image and of the title inside a
// button of size (W, H), rounded to whole points. `position` is the raw image position (0..8).
struct SYFlatButtonLayout {
    double width = 0, height = 0;           // W, H
    double imageWidth = 0, imageHeight = 0; // iw, ih
    double titleWidth = 0, titleHeight = 0; // tw, th
    double spacing = 0;                     // s
    bool imageHugsTitle = false;            // hug
    int position = 0;

    QPoint imageOrigin() const;
    QPoint titleOrigin() const;
    // The title's size rounded up to whole points.
    QSize titleSize() const;
    // Whether the image, respectively the title, is drawn at all for this position.
    bool showsImage(bool hasImage) const;
    bool showsTitle(bool hasTitle) const;
};

// The application's push and toggle button. It paints itself (background, border, tinted image,
// title) and animates its colours between the normal set (state 0) and the highlight set
// (state 1). With `isCollectionViewItemTracking` it also reports hover and double clicks through
// the notifications "kMouseHoverEnterThumbnail", "kMouseHoverExitThumbnail" and
// "kMouseHoverDownThumbnail", whose userInfo is { "section": "<n>", "row": "<n>" } (texts).
//
// The action is the QAbstractButton::clicked signal, emitted on release inside the button
// (also available as `action(SYFlatButton *)`).
class SYFlatButton : public QAbstractButton
{
    Q_OBJECT
public:
    // The animated colour slots, named after the properties they follow.
    enum class ColorSlot { Border, Background, Image, Title };

    explicit SYFlatButton(QWidget *parent = nullptr);
    explicit SYFlatButton(const QString &title, QWidget *parent = nullptr);
    ~SYFlatButton() override;

    // --- stored properties -------------------------------------------------------------------
    bool isCollectionViewItemTracking() const { return m_isCollectionViewItemTracking; }
    void setIsCollectionViewItemTracking(bool on) { m_isCollectionViewItemTracking = on; }

    bool momentary() const { return m_momentary; }
    void setMomentary(bool on);

    // True while the mouse went down inside and has been neither released nor moved out.
    bool mouseDown() const { return m_mouseDown; }
    void setMouseDown(bool on) { m_mouseDown = on; }

    int section() const { return m_section; }
    void setSection(int section) { m_section = section; }
    int row() const { return m_row; }
    void setRow(int row) { m_row = row; }

    double onAnimateDuration() const { return m_onAnimateDuration; }
    void setOnAnimateDuration(double seconds) { m_onAnimateDuration = seconds; }
    double offAnimateDuration() const { return m_offAnimateDuration; }
    void setOffAnimateDuration(double seconds) { m_offAnimateDuration = seconds; }

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    double spacing() const { return m_spacing; }
    void setSpacing(double spacing);

    QColor borderNormalColor() const { return m_borderNormalColor; }
    void setBorderNormalColor(const QColor &c);
    QColor borderHighlightColor() const { return m_borderHighlightColor; }
    void setBorderHighlightColor(const QColor &c);
    QColor backgroundNormalColor() const { return m_backgroundNormalColor; }
    void setBackgroundNormalColor(const QColor &c);
    QColor backgroundHighlightColor() const { return m_backgroundHighlightColor; }
    void setBackgroundHighlightColor(const QColor &c);
    QColor imageNormalColor() const { return m_imageNormalColor; }
    void setImageNormalColor(const QColor &c);
    QColor imageHighlightColor() const { return m_imageHighlightColor; }
    void setImageHighlightColor(const QColor &c);
    QColor titleNormalColor() const { return m_titleNormalColor; }
    void setTitleNormalColor(const QColor &c);
    QColor titleHighlightColor() const { return m_titleHighlightColor; }
    void setTitleHighlightColor(const QColor &c);

    // --- platform button properties ----------------------------------------------------------
    int state() const { return m_state; } // 0 off, 1 on
    void setState(int state);

    QString title() const { return text(); }
    void setTitle(const QString &title);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);

    int imagePosition() const { return m_imagePosition; }
    void setImagePosition(int position);
    void setImagePosition(SYImagePosition position) { setImagePosition(static_cast<int>(position)); }

    bool imageHugsTitle() const { return m_imageHugsTitle; }
    void setImageHugsTitle(bool hug);

    void setTitleFont(const QFont &font);

    // The sound played when the enabled button is pressed; none by default. The button does not
    // own it (one sound may serve several buttons); a sound that is destroyed is simply gone.
    platform::Sound *sound() const;
    void setSound(platform::Sound *sound);

    // Opacity of the whole button; 1.0, or 0.5 when the button was disabled at construction.
    double alphaValue() const { return m_alphaValue; }
    void setAlphaValue(double alpha);

    // --- colour animation --------------------------------------------------------------------
    void animateColorWithState(int state);
    // Animates one slot from its current colour to `color`; does nothing when they are equal.
    void animateLayer(ColorSlot slot, const QColor &color, double duration);
    void removeAllAnimations();
    // The colour of a slot as painted now, and whether an animation of it is under way.
    QColor currentColor(ColorSlot slot) const;
    bool isAnimating(ColorSlot slot) const;
    // Number of colour animations started since construction (for diagnostics and tests).
    int animationsStarted() const { return m_animationsStarted; }

    // The frames of the image and of the title inside the button as last laid out; empty when
    // that part is not shown.
    QRect imageFrame() const { return m_imageFrame; }
    QRect titleFrame() const { return m_titleFrame; }

    // Release handling without the pressed test; nothing in the application sends it.
    void animateForButtonUp();

    QSize sizeHint() const override;

signals:
    void action(SYFlatButton *sender);
    void stateChanged(int state);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void setup();
    void setupImageLayer();
    void setupTitleLayer();
    void layoutLayers();
    void handleMouseUp(bool requirePressed);
    void postHover(const QString &name);
    void mouseEntered();
    void mouseExited();
    SYFlatButtonLayout currentLayout() const;
    QColor &slotColor(ColorSlot slot);

    bool m_isCollectionViewItemTracking = false;
    bool m_momentary = false;
    bool m_mouseDown = false;
    bool m_exitedWhilePressed = false;
    int m_section = 0;
    int m_row = 0;
    double m_onAnimateDuration = 0;
    double m_offAnimateDuration = 0;
    double m_cornerRadius = 0;
    double m_borderWidth = 0;
    double m_spacing = 0;
    QColor m_borderNormalColor, m_borderHighlightColor;
    QColor m_backgroundNormalColor, m_backgroundHighlightColor;
    QColor m_imageNormalColor, m_imageHighlightColor;
    QColor m_titleNormalColor, m_titleHighlightColor;

    int m_state = 0;
    QImage m_image;
    int m_imagePosition = 0;
    bool m_imageHugsTitle = false;
    double m_alphaValue = 1.0;
    QPointer<platform::Sound> m_sound;

    QColor m_currentBorder, m_currentBackground, m_currentImage, m_currentTitle;
    QHash<int, QPointer<QVariantAnimation>> m_animations;
    int m_animationsStarted = 0;
    QRect m_imageFrame, m_titleFrame;
    QImage m_tintedImage;
    QColor m_tintedFor;
    bool m_keyboardFocus = false;
};
