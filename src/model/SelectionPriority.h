#pragma once

#include "model/AutoMark.h"

#include <QString>

#include <vector>

// One criterion of automatic marking, as the marking engine walks them. The two date criteria
// carry the direction in which dates are preferred (the rule's comboIndex, 0 or 1) as payload;
// the payload of every other criterion is 0.
struct SelectionPriority {
    enum class Kind {
        CaptureDate,
        ModificationDate,
        iPhotoLibrary,
        ImageDimension,
        ImageResolution,
        ImageSize,
        FileFormat,
        ImageMetadata,
        FolderPriority,
        none,
    };

    Kind kind = Kind::none;
    int payload = 0;

    SelectionPriority() = default;
    SelectionPriority(Kind kind, int payload = 0);

    bool hasPayload() const { return kind == Kind::CaptureDate || kind == Kind::ModificationDate; }
    bool operator==(const SelectionPriority &) const = default;
};

// The default order: iPhotoLibrary, ImageDimension, ImageResolution, ImageSize, CaptureDate(0),
// FileFormat, ImageMetadata, ModificationDate(0), FolderPriority.
std::vector<SelectionPriority> defaultSelectionPriorityOrder();

// The criterion a rule row stands for: rule index k is the k-th criterion of the default order,
// with `comboIndex` as payload for the two date criteria. `none` for an index outside 0-8.
SelectionPriority criterionForRule(int index, int comboIndex);

// The order made from the rule rows: the rules with isUse true, in table order, each turned into
// its criterion (rows with an unknown index are skipped).
std::vector<SelectionPriority> selectionPriorityOrderFromRules(const std::vector<AutoMark> &rules);

// A short English name of the kind, for diagnostics ("CaptureDate", ...).
QString kindName(SelectionPriority::Kind kind);
