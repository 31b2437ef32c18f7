#include "screens/shell/Theme.h"
#include "controls/Palette.h"

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
    palette.setColor(QPalette::Window, windowBackground);
    palette.setColor(QPalette::WindowText, primaryText);
    palette.setColor(QPalette::Base, QColor(28, 28, 28));
    palette.setColor(QPalette::AlternateBase, panelBackground);
    palette.setColor(QPalette::ToolTipBase, QColor(52, 52, 52));
    palette.setColor(QPalette::ToolTipText, primaryText);
    palette.setColor(QPalette::PlaceholderText, QColor(130, 130, 130));
    palette.setColor(QPalette::Text, primaryText);
    palette.setColor(QPalette::Button, QColor(52, 52, 52));
    palette.setColor(QPalette::ButtonText, primaryText);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(54, 128, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(54, 128, 255));
    palette.setColor(QPalette::LinkVisited, QColor(45, 140, 230));
    palette.setColor(QPalette::Light, QColor(72, 72, 72));
    palette.setColor(QPalette::Midlight, QColor(62, 62, 62));
    palette.setColor(QPalette::Mid, QColor(48, 48, 48));
    palette.setColor(QPalette::Dark, QColor(24, 24, 24));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    QApplication::setPalette(palette);
}

void widenMessageBox(QMessageBox *box)
{
    if (box)
        box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel "
                                          "{ min-width: 320px; }"));
}

QString modeLabelStyleSheet()
{
    return QStringLiteral("QLabel { color: rgb(235, 235, 235); font-size: 14px; font-weight: 600; background: transparent; }"
                          "QLabel:disabled { color: rgb(125, 125, 125); }");
}

QString homeStyleSheet()
{
    return QStringLiteral(R"(
ViewController { background-color: rgb(34, 34, 34); }
QFrame#homeHeader { background-color: rgb(42, 42, 42); border-bottom: 1px solid rgb(24, 24, 24); }
QPushButton#btnOtherApps { color: )" TWINSIFT_GOLD_CSS R"(; background-color: transparent; border: 1px solid rgb(90, 90, 90);
  border-radius: 6px; padding: 5px 14px; }
QPushButton#btnOtherApps:hover { border-color: )" TWINSIFT_GOLD_CSS R"(; }
QPushButton#btnOtherApps:focus { border-color: rgb(45, 140, 230); }
QLabel#lblTitle { color: rgb(240, 240, 240); font-size: 18px; font-weight: 600; }
QFrame#panel { background-color: rgb(39, 39, 39); border: 1px solid rgb(56, 56, 56); border-radius: 8px; }
QFrame#panelTab { background-color: rgb(46, 46, 46); border: none; border-bottom: 1px solid rgb(56, 56, 56);
                  border-top-left-radius: 8px; border-top-right-radius: 8px; }
QFrame#dropHint { background: transparent; border: none; border-top: 1px solid rgb(56, 56, 56); }
QLabel#lblAddFiles { color: rgb(235, 235, 235); font-size: 14px; font-weight: 600; }
QLabel#lblDraganddropphotoshere { color: rgb(215, 215, 215); font-size: 13px; font-weight: 600; }
QLabel#lblhintdragphotos { color: rgb(150, 150, 150); font-size: 12px; }
QPushButton[modeCard="true"] { background-color: rgb(46, 46, 46); border: 1px solid rgb(64, 64, 64);
                               border-radius: 6px; text-align: left; }
QPushButton[modeCard="true"]:hover { border-color: rgb(110, 110, 110); }
QPushButton[modeCard="true"]:checked { background-color: rgb(52, 49, 40); border: 1px solid )" TWINSIFT_GOLD_CSS R"(; }
QPushButton[modeCard="true"]:focus { border: 2px solid )" TWINSIFT_GOLD_CSS R"(; }
QPushButton[modeCard="true"]:disabled { background-color: rgb(40, 40, 40); border-color: rgb(52, 52, 52); }
QLabel#lblScanForDuplicate { font-size: 16px; font-weight: 700; background: transparent; }
QRadioButton { background: transparent; spacing: 0px; }
QRadioButton::indicator { width: 14px; height: 14px; border-radius: 8px; border: 2px solid rgb(150, 150, 150);
                          background: transparent; }
QRadioButton::indicator:checked { border: 2px solid )" TWINSIFT_GOLD_CSS R"(;
    background: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5,
                                stop: 0 )" TWINSIFT_GOLD_CSS R"(, stop: 0.55 )" TWINSIFT_GOLD_CSS R"(, stop: 0.6 transparent); }
QRadioButton::indicator:disabled { border-color: rgb(90, 90, 90); }
)");
}

} // namespace Theme
