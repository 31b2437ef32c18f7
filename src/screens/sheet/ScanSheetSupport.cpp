#include "screens/sheet/ScanSheetSupport.h"

#include <algorithm>

#include "model/Palette.h"
#include "screens/shell/HubScreens.h"
#include "model/TextLookup.h"
#include "platform/widgets/SheetPresenter.h"

#include <QSet>

#include <unordered_set>

QString scanSheetStyleSheet()
{
    return QStringLiteral("QDialog { background-color: " TWINSIFT_BUTTON_FACE_CSS "; }"
                          "QWidget#CancelScanning { background-color: " TWINSIFT_CARD_BACKGROUND_CSS
                          "; border: 1px solid"
                          " " TWINSIFT_CONTROL_BORDER_CSS "; border-radius: 10px; }"
                          "QWidget#AfterMoveInPhotoLibrary { background-color: " TWINSIFT_HEADER_BACKGROUND_CSS "; }"
                          "QLabel { color: " TWINSIFT_DIALOG_TEXT_CSS "; background: transparent; }"
                          "QLabel[role=\"caption\"] { color: " TWINSIFT_CAPTION_TEXT_CSS "; }");
}

int removeDeletedFromResults(ResultState &state, const QStringList &urls)
{
    if (urls.isEmpty())
        return 0;
    const QSet<QString> gone(urls.begin(), urls.end());
    std::unordered_set<const ImageFile *> records;
    auto collect = [&](const ImageGroups &groups) {
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &file : group)
                if (file && file->url && gone.contains(file->url->toString()))
                    records.insert(file.get());
    };
    collect(state.allImages);
    collect(state.imageDirectories);
    return state.removeFiles(records);
}

void dismissSheetOrHide(QWidget *controller)
{
    if (platform::SheetPresenter::sheetOf(controller))
        platform::SheetPresenter::dismissSheet(controller);
    else
        controller->hide();
}

void resetScanListWorkingCopy()
{
    HubScreens::setInitialDirectories(HubScreens::scanList());
}

namespace {

QString reasonText(const DeletionProblem &problem)
{
    switch (problem.kind) {
    case DeletionProblem::Kind::Missing:
        return localizedText(QStringLiteral("IDS_TWK_6003"));
    case DeletionProblem::Kind::Changed:
        return localizedText(QStringLiteral("IDS_TWK_6005"));
    case DeletionProblem::Kind::KeeperGone:
        return localizedText(QStringLiteral("IDS_TWK_6008"));
    case DeletionProblem::Kind::KeeperChanged:
        return localizedText(QStringLiteral("IDS_TWK_6009"));
    case DeletionProblem::Kind::MoveFailed:
        break;
    }
    return problem.reason.isEmpty() ? localizedText(QStringLiteral("IDS_TWK_6007")) : problem.reason;
}

} // namespace

QString problemsMessage(const std::vector<DeletionProblem> &problems)
{
    const QString key = problems.size() == 1 ? QStringLiteral("IDS_TWK_6001") : QStringLiteral("IDS_TWK_6002");
    return substitutePlaceholders(localizedText(key), {QString::number(problems.size())});
}

QString problemsDetails(const std::vector<DeletionProblem> &problems)
{
    constexpr size_t named = 10;
    QStringList lines;
    for (size_t i = 0; i < problems.size() && i < named; ++i)
        lines.append(problems[i].path + QStringLiteral(": ") + reasonText(problems[i]));
    if (problems.size() > named)
        lines.append(substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6006")),
                                            {QString::number(problems.size() - named)}));
    // What to do about the files that changed: only a new scan takes them in as they are now.
    const bool changed = std::any_of(problems.begin(), problems.end(), [](const DeletionProblem &problem) {
        return problem.kind == DeletionProblem::Kind::Changed || problem.kind == DeletionProblem::Kind::KeeperChanged;
    });
    if (changed)
        lines << QString() << localizedText(QStringLiteral("IDS_TWK_6012"));
    return lines.join(QLatin1Char('\n'));
}
