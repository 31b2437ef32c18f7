#pragma once

// The sixteen colours of the interface, in their fixed order: themeColors[0] is (183, 183, 183).
// Entries 3 and 6 are the same grey, as are 11 and 12 (each component 1/6). They are constant
// from the start, so any file may read them during its own static set-up; model/Palette.h
// takes its shared colours from this table.

#include <QColor>

#include <array>

inline constexpr std::array<QColor, 16> themeColors = {
    QColor(183, 183, 183),
    QColor(199, 157, 39),
    QColor(71, 71, 71),
    QColor(34, 34, 34),
    QColor(64, 64, 64),
    QColor(255, 255, 255),
    QColor(34, 34, 34),
    QColor(39, 39, 39),
    QColor(9, 171, 9),
    QColor(69, 69, 69),
    QColor(62, 62, 62),
    // One sixth of full intensity, as the floating-point constructor rounds it (10923 / 65535).
    QColor(QColor::Rgb, 0xffff, 10923, 10923, 10923),
    QColor(QColor::Rgb, 0xffff, 10923, 10923, 10923),
    QColor(45, 140, 230),
    QColor(54, 128, 255),
    QColor(72, 72, 72),
};
