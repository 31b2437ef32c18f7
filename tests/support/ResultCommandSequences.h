#pragma once

#include "model/ResultCommands.h"
#include "model/ResultState.h"
#include "services/ProtectionCommands.h"

#include <QUrl>

#include <random>

// Random sequences of the commands a user gives on the shown results, for tests that check what
// must hold after every one of them.
namespace resultcommandsequences {

// How many choices applyCommand knows; a test draws from more to add commands of its own.
inline constexpr unsigned commandChoices = 15;

// Gives command `choice` (below commandChoices) on member `r` of shown group `g`: a hand tick
// (three times as likely as the others), an untick, the group's toggle and mark buttons, Auto
// Select, select and unselect by type, folder or tree, invert, hand protection, the group lock,
// Remove from Results, protecting the file's folder and Show Only This Group.
inline void applyCommand(ResultState &s, std::mt19937 &random, unsigned choice, int g, int r)
{
    using namespace ResultCommands;
    const QUrl url = *s.imageDirectories[size_t(g)][size_t(r)]->url;
    switch (choice) {
    case 0:
    case 1:
    case 2:
        tickFile(s, g, r);
        break;
    case 3:
        untickFile(s, g, r);
        break;
    case 4:
        toggleGroup(s, g);
        break;
    case 5:
        markGroup(s, g);
        break;
    case 6:
        autoSelectAllFiles(s);
        break;
    case 7:
        selectAllMatching(s, MatchKey(random() % 3), url);
        break;
    case 8:
        unselectAllMatching(s, MatchKey(random() % 3), url);
        break;
    case 9:
        invertMarkedFiles(s);
        break;
    case 10:
        setFileProtection(s, g, r, random() % 2);
        break;
    case 11:
        if (clickGroupLock(s, g) == LockResult::NeedsConfirmation)
            unlockGroupOutsideProtectedFolders(s, g);
        break;
    case 12:
        removeFromResults(s, g, r);
        break;
    case 13:
        if (random() % 4 == 0)
            protectFolder(s, folderOfFile(url));
        break;
    case 14:
        if (random() % 4 == 0)
            narrowToGroup(s, g);
        break;
    default:
        break;
    }
}

} // namespace resultcommandsequences
