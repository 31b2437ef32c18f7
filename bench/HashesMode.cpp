#include "HashesMode.h"

#include "engine/MVNTwinsift.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace {

std::string md5Of(const QImage &image)
{
    const QImage fixed = image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash md5(QCryptographicHash::Md5);
    for (int y = 0; y < fixed.height(); ++y)
        md5.addData(QByteArrayView(reinterpret_cast<const char *>(fixed.constScanLine(y)), fixed.width() * 4));
    return md5.result().toHex().toStdString();
}

std::string hexOf(const std::vector<uint64_t> &words)
{
    std::string text;
    char buffer[17];
    for (uint64_t word : words) {
        std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(word));
        text += buffer;
    }
    return text;
}

} // namespace

int hashesMode(const QStringList &args)
{
    int size = 72;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size()) {
            bool ok = false;
            size = args[++i].toInt(&ok);
            if (!ok || !MVNTwinsift::isValidBitmapSize(size))
                return 2;
            continue;
        }
        const QFileInfo info(args[i]);
        if (info.isDir()) {
            QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << info.absoluteFilePath();
        }
    }
    if (files.isEmpty()) {
        std::cerr << "usage: twinsift-bench --hashes [--size S] PATH..." << std::endl;
        return 2;
    }
    std::sort(files.begin(), files.end());

    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const QString &path : files) {
        nlohmann::ordered_json entry;
        entry["path"] = path.toStdString();
        const QImage thumbnail = MVNTwinsift::thumbnail(path, size);
        const MVNTwinsift::HashResult result = MVNTwinsift::hashThumbnail(thumbnail, size);
        entry["outcome"] = result.outcome == MVNTwinsift::HashOutcome::Hash ? "hash"
            : result.outcome == MVNTwinsift::HashOutcome::Flat              ? "flat"
                                                                            : "unreadable";
        if (!thumbnail.isNull()) {
            entry["thumbnail"] = QStringLiteral("%1x%2").arg(thumbnail.width()).arg(thumbnail.height()).toStdString();
            entry["thumbnail_md5"] = md5Of(thumbnail);
        }
        if (result.hasHash())
            entry["hash"] = hexOf(result.words);
        out.push_back(std::move(entry));
    }
    nlohmann::ordered_json document;
    document["size"] = size;
    document["files"] = std::move(out);
    std::cout << document.dump(1) << std::endl;
    return 0;
}
