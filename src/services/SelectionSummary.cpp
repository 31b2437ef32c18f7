#include "services/SelectionSummary.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "services/MVNAssistance.h"

std::pair<std::optional<qint64>, std::optional<QString>> groupsSizeText(const ImageGroups &groups)
{
    quint64 total = 0;
    qint64 count = 0;
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                return {std::nullopt, std::nullopt};
            std::optional<quint64> size = file->scannedSize;
            if (!size)
                size = sharedAssistance().fileSize(file->url->toLocalFile());
            if (!size)
                return {std::nullopt, std::nullopt};
            total += *size;
            ++count;
        }
    }
    return {count, MVNAssistance::sizeText(total)};
}

SelectionRefresh computeSelectionState(const ResultState &state)
{
    SelectionRefresh refresh;
    const auto &marks = state.selectedIndexArray;
    if (!marks.empty()) {
        for (size_t g = 0; g < marks.size(); ++g) {
            if (marks[g].empty())
                continue;
            ImageGroup collected;
            if (g < state.imageDirectories.size()) {
                const ImageGroup &group = state.imageDirectories[g];
                for (int i : marks[g])
                    if (i >= 0 && size_t(i) < group.size())
                        collected.push_back(group[size_t(i)]);
            }
            refresh.markedGroups.push_back(std::move(collected));
            ++refresh.markedGroupCount;
        }
        refresh.refreshControls = true;
    }
    refresh.deleteMarkedEnabled = state.hasMarks();
    refresh.unselectAllEnabled = refresh.deleteMarkedEnabled;
    for (const ImageGroup &group : state.imageDirectories) {
        int unprotected = 0;
        for (const ImageFilePtr &file : group)
            if (file && !file->isProtected)
                ++unprotected;
        if (unprotected > 1) {
            refresh.autoSelectEnabled = true;
            break;
        }
    }
    refresh.shownFileCount = state.shownFileCount();

    const auto [count, sizeText] = groupsSizeText(refresh.markedGroups);
    if (count && sizeText)
        refresh.summaryText = updateSelectionSummary(QString::number(*count), refresh.shownFileCount,
                                                     refresh.markedGroupCount, *sizeText);
    return refresh;
}

QString updateSelectionSummary(const QString &markedCountText, int shownFiles, int groupsWithMarks,
                               const QString &markedSizeText)
{
    const QString word =
        localizedText(groupsWithMarks < 2 ? QStringLiteral("IDS_TWK_57") : QStringLiteral("IDS_TWK_58")).toLower();
    const QString format = localizedText(QStringLiteral("IDS_TWK_52"));
    const QString head = substitutePlaceholders(
        format, {markedCountText, QString::number(shownFiles), QString::number(groupsWithMarks)});
    return head + QStringLiteral(" ") + word + QStringLiteral(" (") + markedSizeText + QStringLiteral(")");
}

ResultTotals computeResultTotals(const ResultState &state)
{
    ResultTotals totals;
    const auto [shownCount, shownSize] = groupsSizeText(state.imageDirectories);
    const auto [scannedCount, scannedSize] = groupsSizeText(state.allImages);
    if (scannedCount && scannedSize) {
        scannedFilesCountText = QString::number(*scannedCount);
        scannedFilesSizeText = *scannedSize;
    }
    if (!shownCount || !shownSize)
        return totals;
    totals.shownSizeKnown = true;
    resultCountText = QString::number(*shownCount);
    resultSizeText = *shownSize;
    totals.shownFileCount = int(*shownCount);
    totals.allDuplicatePhotosFoundText =
        QString::number(*shownCount) + QStringLiteral(" ") + localizedText(QStringLiteral("IDS_TWK_42"));
    totals.allSizeCanBeRemovedText = substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_72")), {*shownSize});
    if (*shownCount > 0 && !state.imageDirectories.empty() && !state.imageDirectories.front().empty())
        totals.previewFile = state.imageDirectories.front().front();
    return totals;
}

bool hasUnprotectedResultFile(const ResultState &state)
{
    for (const ImageGroup &group : state.imageDirectories)
        for (const ImageFilePtr &file : group)
            if (file && !file->isProtected)
                return true;
    return false;
}
