#include "model/SelectionPriority.h"

#include <array>

SelectionPriority::SelectionPriority(Kind kind, int payload)
    : kind(kind)
    , payload(kind == Kind::CaptureDate || kind == Kind::ModificationDate ? payload : 0)
{
}

namespace {

// The criterion of each rule index, in the default order.
constexpr std::array<SelectionPriority::Kind, 9> ruleKinds = {
    SelectionPriority::Kind::iPhotoLibrary,   SelectionPriority::Kind::ImageDimension,
    SelectionPriority::Kind::ImageResolution, SelectionPriority::Kind::ImageSize,
    SelectionPriority::Kind::CaptureDate,     SelectionPriority::Kind::FileFormat,
    SelectionPriority::Kind::ImageMetadata,   SelectionPriority::Kind::ModificationDate,
    SelectionPriority::Kind::FolderPriority,
};

} // namespace

std::vector<SelectionPriority> defaultSelectionPriorityOrder()
{
    std::vector<SelectionPriority> order;
    order.reserve(ruleKinds.size());
    for (SelectionPriority::Kind kind : ruleKinds)
        order.emplace_back(kind, 0);
    return order;
}

SelectionPriority criterionForRule(int index, int comboIndex)
{
    if (index < 0 || index >= static_cast<int>(ruleKinds.size()))
        return SelectionPriority(SelectionPriority::Kind::none);
    return SelectionPriority(ruleKinds[static_cast<std::size_t>(index)], comboIndex);
}

std::vector<SelectionPriority> selectionPriorityOrderFromRules(const std::vector<AutoMark> &rules)
{
    std::vector<SelectionPriority> order;
    for (const AutoMark &rule : rules) {
        if (!rule.isUse)
            continue;
        const SelectionPriority criterion = criterionForRule(rule.index, rule.comboIndex);
        if (criterion.kind != SelectionPriority::Kind::none)
            order.push_back(criterion);
    }
    return order;
}

QString kindName(SelectionPriority::Kind kind)
{
    switch (kind) {
    case SelectionPriority::Kind::CaptureDate:
        return QStringLiteral("CaptureDate");
    case SelectionPriority::Kind::ModificationDate:
        return QStringLiteral("ModificationDate");
    case SelectionPriority::Kind::iPhotoLibrary:
        return QStringLiteral("iPhotoLibrary");
    case SelectionPriority::Kind::ImageDimension:
        return QStringLiteral("ImageDimension");
    case SelectionPriority::Kind::ImageResolution:
        return QStringLiteral("ImageResolution");
    case SelectionPriority::Kind::ImageSize:
        return QStringLiteral("ImageSize");
    case SelectionPriority::Kind::FileFormat:
        return QStringLiteral("FileFormat");
    case SelectionPriority::Kind::ImageMetadata:
        return QStringLiteral("ImageMetadata");
    case SelectionPriority::Kind::FolderPriority:
        return QStringLiteral("FolderPriority");
    case SelectionPriority::Kind::none:
        break;
    }
    return QStringLiteral("none");
}
