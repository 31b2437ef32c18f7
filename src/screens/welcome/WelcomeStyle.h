#pragma once
// The look shared by the welcome, splash, about and support screens: the theme's dark palette for a
// widget, and plain-text labels in the palette's colours.

#include "model/Palette.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace WelcomeStyle {

// Paints the widget's own background in the theme's dark grey and sets light text colours for the
// standard controls inside it.
inline void applyDarkPalette(QWidget *widget, const QColor &fill = Palette::windowBackground)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, fill);
    palette.setColor(QPalette::WindowText, Palette::white);
    palette.setColor(QPalette::Base, Palette::fieldBackground);
    palette.setColor(QPalette::AlternateBase, Palette::panelBackground);
    palette.setColor(QPalette::Text, Palette::white);
    palette.setColor(QPalette::PlaceholderText, Palette::secondaryText);
    palette.setColor(QPalette::Button, Palette::fieldBackground);
    palette.setColor(QPalette::ButtonText, Palette::white);
    palette.setColor(QPalette::Highlight, Palette::gold);
    palette.setColor(QPalette::HighlightedText, Palette::windowBackground);
    palette.setColor(QPalette::Link, Palette::focusBlue);
    palette.setColor(QPalette::ToolTipBase, Palette::panelBackground);
    palette.setColor(QPalette::ToolTipText, Palette::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A label that shows its text as plain text (no rich text, no mnemonics).
inline QLabel *makeLabel(QWidget *parent, double pointSize, bool bold = false, const QColor &color = Palette::white,
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
