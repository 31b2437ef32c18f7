#include "screens/shell/Theme.h"
#include "model/Palette.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QStyleFactory>

namespace Theme {

void applyApplicationTheme()
{
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QPalette palette;
    palette.setColor(QPalette::Window, Palette::windowBackground);
    palette.setColor(QPalette::WindowText, Palette::primaryText);
    palette.setColor(QPalette::Base, QColor(28, 28, 28));
    palette.setColor(QPalette::AlternateBase, Palette::panelBackground);
    palette.setColor(QPalette::ToolTipBase, Palette::fieldBackground);
    palette.setColor(QPalette::ToolTipText, Palette::primaryText);
    palette.setColor(QPalette::PlaceholderText, QColor(130, 130, 130));
    palette.setColor(QPalette::Text, Palette::primaryText);
    palette.setColor(QPalette::Button, Palette::fieldBackground);
    palette.setColor(QPalette::ButtonText, Palette::primaryText);
    palette.setColor(QPalette::BrightText, Palette::white);
    palette.setColor(QPalette::Highlight, Palette::selectionBlue);
    palette.setColor(QPalette::HighlightedText, Palette::white);
    palette.setColor(QPalette::Link, Palette::selectionBlue);
    palette.setColor(QPalette::LinkVisited, Palette::focusBlue);
    palette.setColor(QPalette::Light, Palette::mutedButton);
    palette.setColor(QPalette::Midlight, Palette::buttonFace);
    palette.setColor(QPalette::Mid, Palette::dropArea);
    palette.setColor(QPalette::Dark, QColor(24, 24, 24));
    palette.setColor(QPalette::Shadow, Palette::black);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Palette::disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Text, Palette::disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, Palette::disabledText);
    QApplication::setPalette(palette);
}

QString modeLabelStyleSheet()
{
    return QStringLiteral("QLabel { color: " TWINSIFT_PRIMARY_TEXT_CSS "; font-size: 14px; font-weight: 600;"
                          " background: transparent; }"
                          "QLabel:disabled { color: rgb(125, 125, 125); }");
}

QString homeStyleSheet()
{
    return QStringLiteral(R"(
ViewController { background-color: )" TWINSIFT_WINDOW_BACKGROUND_CSS R"(; }
QFrame#homeHeader { background-color: )" TWINSIFT_HEADER_BACKGROUND_CSS R"(; border-bottom: 1px solid rgb(24, 24, 24); }
QPushButton#btnOtherApps { color: )" TWINSIFT_GOLD_CSS
                          R"(; background-color: transparent; border: 1px solid )" TWINSIFT_CONTROL_BORDER_CSS R"(;
  border-radius: 6px; padding: 5px 14px; }
QPushButton#btnOtherApps:hover { border-color: )" TWINSIFT_GOLD_CSS R"(; }
QPushButton#btnOtherApps:focus { border-color: )" TWINSIFT_FOCUS_BLUE_CSS R"(; }
QLabel#lblTitle { color: )" TWINSIFT_TITLE_TEXT_CSS R"(; font-size: 18px; font-weight: 600; }
QFrame#panel { background-color: )" TWINSIFT_PANEL_BACKGROUND_CSS
                          R"(; border: 1px solid rgb(56, 56, 56); border-radius: 8px; }
QFrame#panelTab { background-color: )" TWINSIFT_CARD_BACKGROUND_CSS
                          R"(; border: none; border-bottom: 1px solid rgb(56, 56, 56);
                  border-top-left-radius: 8px; border-top-right-radius: 8px; }
QFrame#dropHint { background: transparent; border: none; border-top: 1px solid rgb(56, 56, 56); }
QLabel#lblAddFiles { color: )" TWINSIFT_PRIMARY_TEXT_CSS R"(; font-size: 14px; font-weight: 600; }
QLabel#lblDraganddropphotoshere { color: rgb(215, 215, 215); font-size: 13px; font-weight: 600; }
QLabel#lblhintdragphotos { color: )" TWINSIFT_INDICATOR_BORDER_CSS R"(; font-size: 12px; }
QPushButton[modeCard="true"] { background-color: )" TWINSIFT_CARD_BACKGROUND_CSS
                          R"(; border: 1px solid )" TWINSIFT_PANEL_BORDER_CSS R"(;
                               border-radius: 6px; text-align: left; }
QPushButton[modeCard="true"]:hover { border-color: )" TWINSIFT_HOVER_BORDER_CSS R"(; }
QPushButton[modeCard="true"]:checked { background-color: rgb(52, 49, 40); border: 1px solid )" TWINSIFT_GOLD_CSS R"(; }
QPushButton[modeCard="true"]:focus { border: 2px solid )" TWINSIFT_GOLD_CSS R"(; }
QPushButton[modeCard="true"]:disabled { background-color: )" TWINSIFT_DISABLED_BACKGROUND_CSS
                          R"(; border-color: )" TWINSIFT_FIELD_BACKGROUND_CSS R"(; }
QLabel#lblScanForDuplicate { font-size: 16px; font-weight: 700; background: transparent; }
QRadioButton { background: transparent; spacing: 0px; }
QRadioButton::indicator { width: 14px; height: 14px; border-radius: 8px; border: 2px solid )" TWINSIFT_INDICATOR_BORDER_CSS
                          R"(;
                          background: transparent; }
QRadioButton::indicator:checked { border: 2px solid )" TWINSIFT_GOLD_CSS R"(;
    background: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5,
                                stop: 0 )" TWINSIFT_GOLD_CSS R"(, stop: 0.55 )" TWINSIFT_GOLD_CSS
                          R"(, stop: 0.6 transparent); }
QRadioButton::indicator:disabled { border-color: )" TWINSIFT_CONTROL_BORDER_CSS R"(; }
)");
}

} // namespace Theme
