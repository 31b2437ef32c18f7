#include "TrashMode.h"

#include "platform/Cancellable.h"
#include "platform/FileManager.h"
#include "platform/FileStat.h"

#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

#include <unistd.h>

int trashMode(const QStringList &paths)
{
    if (paths.isEmpty()) {
        std::cerr << "usage: twinsift-bench --trash PATH..." << std::endl;
        return 2;
    }
    // Each file's state as it is now stands for its state at the scan.
    std::vector<std::optional<platform::FileStat>> states;
    for (const QString &path : paths)
        states.push_back(platform::FileStat::of(QFileInfo(path).absoluteFilePath()));

    // The Trash code's diagnostic lines go to standard error while it works, so that standard
    // output carries the JSON alone.
    std::fflush(stdout);
    const int output = ::dup(STDOUT_FILENO);
    if (output < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "twinsift-bench: standard output cannot be set aside" << std::endl;
        return 1;
    }
    platform::Cancellable cancel;
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    bool allMoved = true;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString path = QFileInfo(paths[i]).absoluteFilePath();
        const auto &state = states[size_t(i)];
        platform::TrashResult result;
        if (!state)
            result.error = QStringLiteral("File does not exist ") + path;
        else
            result = platform::FileManager::trashItem(path, &*state, &cancel);
        nlohmann::ordered_json entry;
        entry["path"] = path.toStdString();
        entry["moved"] = result.ok;
        entry["trashed"] = result.ok ? nlohmann::ordered_json(result.trashedPath.toStdString()) : nullptr;
        entry["info"] = result.ok ? nlohmann::ordered_json(result.infoPath.toStdString()) : nullptr;
        entry["error"] = result.ok ? nullptr : nlohmann::ordered_json(result.error.toStdString());
        out.push_back(std::move(entry));
        allMoved = allMoved && result.ok;
    }
    std::fflush(stdout);
    ::dup2(output, STDOUT_FILENO);
    ::close(output);
    std::cout << out.dump(1) << std::endl;
    return allMoved ? 0 : 1;
}
