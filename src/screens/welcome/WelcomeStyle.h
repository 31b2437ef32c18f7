#pragma once
// The look shared by the welcome, splash, about and support screens: the dark greys, the gold accent
// and the link blue of the application's theme, and plain-text labels in those colours.

#include "controls/Palette.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace WelcomeStyle {

inline QColor background()
{
    return Palette::windowBackground;
}
inline QColor panel()
{
    return Palette::panelBackground;
}
inline QColor field()
{
    return Palette::fieldBackground;
}
inline QColor frame()
{
    return Palette::frame;
}
inline QColor text()
{
    return Palette::white;
}
inline QColor secondaryText()
{
    return Palette::secondaryText;
}
inline QColor gold()
{
    return Palette::gold;
}
inline QColor link()
{
    return Palette::focusBlue;
}

// Paints the widget's own background in the theme's dark grey and sets light text colours for the
// standard controls inside it.
inline void applyDarkPalette(QWidget *widget, const QColor &fill = background())
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, fill);
    palette.setColor(QPalette::WindowText, text());
    palette.setColor(QPalette::Base, field());
    palette.setColor(QPalette::AlternateBase, panel());
    palette.setColor(QPalette::Text, text());
    palette.setColor(QPalette::PlaceholderText, secondaryText());
    palette.setColor(QPalette::Button, field());
    palette.setColor(QPalette::ButtonText, text());
    palette.setColor(QPalette::Highlight, gold());
    palette.setColor(QPalette::HighlightedText, background());
    palette.setColor(QPalette::Link, link());
    palette.setColor(QPalette::ToolTipBase, panel());
    palette.setColor(QPalette::ToolTipText, text());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A label that shows its text as plain text (no rich text, no mnemonics).
inline QLabel *makeLabel(QWidget *parent, double pointSize, bool bold = false, const QColor &color = text(),
                         bool wrap = false)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace WelcomeStyle
