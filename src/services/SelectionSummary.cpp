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
    // One pass over the marks, reading only the marked records: their number, the groups holding
    // them and their total size (absent when a marked file has no URL or no size to be had).
    SelectionRefresh refresh;
    const auto &marks = state.selectedIndexArray;
    refresh.refreshControls = !marks.empty();
    quint64 total = 0;
    qint64 count = 0;
    bool sizeKnown = true;
    for (size_t g = 0; g < marks.size(); ++g) {
        if (marks[g].empty())
            continue;
        ++refresh.markedGroupCount;
        if (g >= state.imageDirectories.size() || !sizeKnown)
            continue;
        const ImageGroup &group = state.imageDirectories[g];
        for (int i : marks[g]) {
            if (i < 0 || size_t(i) >= group.size())
                continue;
            const ImageFile *file = group[size_t(i)].get();
            std::optional<quint64> size;
            if (file && file->url) {
                size = file->scannedSize;
                if (!size)
                    size = sharedAssistance().fileSize(file->url->toLocalFile());
            }
            if (!size) {
                sizeKnown = false;
                break;
            }
            total += *size;
            ++count;
        }
    }
    refresh.deleteMarkedEnabled = refresh.markedGroupCount > 0;
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
    if (sizeKnown)
        refresh.summaryText = updateSelectionSummary(QString::number(count), refresh.shownFileCount,
                                                     refresh.markedGroupCount, MVNAssistance::sizeText(total));
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
