#include "engine/RuleComparators.h"

#include "model/PropertyNumber.h"
#include "platform/ImageSource.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QVariant>

#include <utility>

namespace {

// One candidate's value under a value rule.
struct Record {
    int item = 0;
    double first = 0;  // width, or horizontal DPI
    double second = 0; // height, or vertical DPI
    quint64 size = 0;
    qint64 timeSecond = 0; // the date in whole seconds since the epoch
};

// A date at the granularity of one second: two dates in the same second compare equal.
qint64 wholeSecond(const QDateTime &date)
{
    const qint64 ms = date.toMSecsSinceEpoch();
    qint64 seconds = ms / 1000;
    if (ms % 1000 < 0)
        --seconds;
    return seconds;
}

// The best filter shared by the value rules. The running best is the first record; a later record
// that beats it takes its place, any other raises the loss counter. When the best is item 0 and
// every comparison was a loss (counted from `lossCounter`), the rule decides nothing. Otherwise
// every unprotected record that reaches the best is named, in record order.
template <class Beats, class Reaches>
std::vector<int> keepBest(const std::vector<Record> &records, int lossCounter, const ImageGroup &group, Beats beats,
                          Reaches reaches)
{
    if (records.empty())
        return {};
    std::size_t best = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (beats(records[i], records[best]))
            best = i;
        else
            ++lossCounter;
    }
    if (records[best].item == 0 && lossCounter == int(records.size()))
        return {};
    std::vector<int> named;
    for (const Record &record : records)
        if (reaches(record, records[best]) && !group[std::size_t(record.item)]->isProtected)
            named.push_back(record.item);
    return named;
}

// The best filter of the size rule: the largest file, and every unprotected file of that size.
std::vector<int> keepBestBySize(const std::vector<Record> &records, const ImageGroup &group)
{
    return keepBest(
        records, 0, group, [](const Record &a, const Record &best) { return a.size > best.size; },
        [](const Record &a, const Record &best) { return a.size >= best.size; });
}

bool beatsBoth(const Record &a, const Record &best)
{
    return a.first > best.first && a.second > best.second;
}

bool reachesBoth(const Record &a, const Record &best)
{
    return a.first >= best.first && a.second >= best.second;
}

// The two numbers of `properties` under the two keys, when both are present and numbers.
std::optional<std::pair<double, double>> twoNumbers(const ImageFile &file, const char *firstKey, const char *secondKey)
{
    if (!file.properties)
        return std::nullopt;
    const std::optional<double> first = propertyNumber(file.properties->value(QLatin1String(firstKey)));
    const std::optional<double> second = propertyNumber(file.properties->value(QLatin1String(secondKey)));
    if (!first || !second)
        return std::nullopt;
    return std::make_pair(*first, *second);
}

// The lower-cased path extension of the file's URL ("" without one or without a URL).
QString extensionOf(const ImageFile &file)
{
    if (!file.url)
        return {};
    const QString name = file.url->fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    return name.mid(dot + 1).toLower();
}

} // namespace

RuleComparators::RuleComparators(AutoMarkRules rules, AutoMarkAccessors accessors)
    : rules_(std::move(rules))
    , accessors_(std::move(accessors))
{
    for (const FileFormat &format : rules_.fileFormatPriorities)
        if (format.priority == 1)
            formatTarget_ = format.fileExtension.toLower();
    for (const FolderPreferences &folder : rules_.folderPriorities)
        if (folder.priority == 1)
            folderTarget_ = folder.path ? normalizedFolder(*folder.path) : QString();
    libraryRoot_ = rules_.photosLibraryRoot.toLower();
}

QString RuleComparators::normalizedFolder(const QString &urlOrPath)
{
    QString path = urlOrPath;
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(urlOrPath);
        if (!url.isValid() || !url.isLocalFile())
            return {};
        path = url.toLocalFile();
    } else if (path.contains(QLatin1String("://"))) {
        return {};
    }
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    QString normal = info.canonicalFilePath();
    if (normal.isEmpty())
        normal = QDir::cleanPath(info.absoluteFilePath());
    if (!normal.endsWith(QLatin1Char('/')))
        normal += QLatin1Char('/');
    return normal;
}

QString RuleComparators::folderOf(const ImageFile &file) const
{
    if (!file.url || !file.url->isLocalFile())
        return {};
    const QString path = file.url->toLocalFile();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return {};
    const QString parent = slash == 0 ? QStringLiteral("/") : path.left(slash);
    auto found = folderCache_.find(parent);
    if (found == folderCache_.end())
        found = folderCache_.emplace(parent, normalizedFolder(parent)).first;
    return found->second;
}

std::vector<int> RuleComparators::selectBestCandidates(int rule, const ImageGroup &group,
                                                       const std::vector<int> &candidates) const
{
    if (rule < 0 || rule >= int(rules_.order.size()))
        return {};
    std::vector<int> valid;
    valid.reserve(candidates.size());
    for (int item : candidates)
        if (item >= 0 && item < int(group.size()) && group[std::size_t(item)])
            valid.push_back(item);

    const SelectionPriority criterion = rules_.order[std::size_t(rule)];
    switch (criterion.kind) {
    case SelectionPriority::Kind::ImageDimension:
        return byDimension(group, valid);
    case SelectionPriority::Kind::ImageResolution:
        return byResolution(group, valid);
    case SelectionPriority::Kind::ImageSize:
        return bySize(group, valid);
    case SelectionPriority::Kind::CaptureDate:
        return byDate(group, valid, true, criterion.payload);
    case SelectionPriority::Kind::ModificationDate:
        return byDate(group, valid, false, criterion.payload);
    case SelectionPriority::Kind::iPhotoLibrary:
        return byPhotosLibrary(group, valid);
    case SelectionPriority::Kind::FileFormat:
        return byFileFormat(group, valid);
    case SelectionPriority::Kind::FolderPriority:
        return byFolder(group, valid);
    case SelectionPriority::Kind::ImageMetadata:
        return byMetadata(group, valid);
    case SelectionPriority::Kind::none:
        break;
    }
    return {};
}

std::vector<int> RuleComparators::byDimension(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<Record> records;
    for (int item : candidates) {
        const auto values = twoNumbers(*group[std::size_t(item)], platform::ImageProperty::PixelWidth,
                                       platform::ImageProperty::PixelHeight);
        if (values)
            records.push_back(Record{item, values->first, values->second, 0, 0});
    }
    return keepBest(records, 0, group, beatsBoth, reachesBoth);
}

std::vector<int> RuleComparators::byResolution(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<Record> records;
    for (int item : candidates) {
        const auto values = twoNumbers(*group[std::size_t(item)], platform::ImageProperty::DPIWidth,
                                       platform::ImageProperty::DPIHeight);
        if (values)
            records.push_back(Record{item, values->first, values->second, 0, 0});
    }
    // The loss counter starts at 1: a group whose first file keeps the best resolution unbeaten is
    // left to the following rules.
    return keepBest(records, 1, group, beatsBoth, reachesBoth);
}

std::vector<int> RuleComparators::bySize(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<Record> records;
    for (int item : candidates) {
        const std::optional<quint64> size =
            accessors_.fileSize ? accessors_.fileSize(*group[std::size_t(item)]) : std::nullopt;
        if (size)
            records.push_back(Record{item, 0, 0, *size, 0});
    }
    return keepBestBySize(records, group);
}

std::vector<int> RuleComparators::byDate(const ImageGroup &group, const std::vector<int> &candidates, bool capture,
                                         int direction) const
{
    std::vector<Record> records;
    for (int item : candidates) {
        const ImageFile &file = *group[std::size_t(item)];
        std::optional<QDateTime> date;
        if (capture)
            date = file.captureDate ? file.captureDate : file.creationDate;
        else if (accessors_.modificationDate)
            date = accessors_.modificationDate(file);
        if (date && date->isValid())
            records.push_back(Record{item, 0, 0, 0, wholeSecond(*date)});
    }
    const bool newest = direction == 0;
    return keepBest(
        records, 0, group,
        [newest](const Record &a, const Record &best) {
            return newest ? a.timeSecond > best.timeSecond : a.timeSecond < best.timeSecond;
        },
        [](const Record &a, const Record &best) { return a.timeSecond == best.timeSecond; });
}

std::vector<int> RuleComparators::byPhotosLibrary(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<int> named;
    if (libraryRoot_.isEmpty())
        return named;
    for (int item : candidates) {
        const ImageFile &file = *group[std::size_t(item)];
        if (file.isProtected || !file.url)
            continue;
        if (file.url->toString(QUrl::FullyEncoded).toLower().contains(libraryRoot_))
            named.push_back(item);
    }
    return named;
}

std::vector<int> RuleComparators::byFileFormat(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<int> named;
    for (int item : candidates) {
        const ImageFile &file = *group[std::size_t(item)];
        if (!file.isProtected && file.url && extensionOf(file) == formatTarget_)
            named.push_back(item);
    }
    return named;
}

std::vector<int> RuleComparators::byFolder(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<int> named;
    if (folderTarget_.isEmpty())
        return named;
    for (int item : candidates) {
        const ImageFile &file = *group[std::size_t(item)];
        if (file.isProtected)
            continue;
        const QString folder = folderOf(file);
        if (!folder.isEmpty() && folder == folderTarget_)
            named.push_back(item);
    }
    return named;
}

std::vector<int> RuleComparators::byMetadata(const ImageGroup &group, const std::vector<int> &candidates) const
{
    std::vector<int> named;
    if (!accessors_.hasMetadataTags)
        return named;
    for (int item : candidates)
        markIfHasMetadata(group, item, named);
    return named;
}

void RuleComparators::markIfHasMetadata(const ImageGroup &group, int item, std::vector<int> &named) const
{
    const ImageFile &file = *group[std::size_t(item)];
    if (!file.isProtected && file.url && accessors_.hasMetadataTags && accessors_.hasMetadataTags(file))
        named.push_back(item);
}
