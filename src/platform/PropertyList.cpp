#include "platform/PropertyList.h"
#include "platform/Log.h"

#include <QDateTime>
#include <QFile>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <cstdio>

namespace platform {

namespace {

std::optional<QVariant> readValue(QXmlStreamReader &xml);

// Reads the children of the current container element up to its end tag.
std::optional<QVariant> readDict(QXmlStreamReader &xml)
{
    QVariantMap map;
    QString key;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"key") {
            key = xml.readElementText();
            haveKey = true;
            continue;
        }
        if (!haveKey)
            return std::nullopt;
        auto value = readValue(xml);
        if (!value)
            return std::nullopt;
        map.insert(key, *value);
        haveKey = false;
    }
    if (xml.hasError())
        return std::nullopt;
    return QVariant(map);
}

std::optional<QVariant> readArray(QXmlStreamReader &xml)
{
    QVariantList list;
    while (xml.readNextStartElement()) {
        auto value = readValue(xml);
        if (!value)
            return std::nullopt;
        list.append(*value);
    }
    if (xml.hasError())
        return std::nullopt;
    return QVariant(list);
}

// Called with the reader on a start element; leaves it on that element's end.
std::optional<QVariant> readValue(QXmlStreamReader &xml)
{
    const auto name = xml.name();
    if (name == u"dict")
        return readDict(xml);
    if (name == u"array")
        return readArray(xml);
    if (name == u"string")
        return QVariant(xml.readElementText());
    if (name == u"integer") {
        bool ok = false;
        const qint64 v = xml.readElementText().trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    if (name == u"real") {
        bool ok = false;
        const double v = xml.readElementText().trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    if (name == u"true" || name == u"false") {
        const bool v = name == u"true";
        xml.skipCurrentElement();
        return QVariant(v);
    }
    if (name == u"data") {
        QByteArray text = xml.readElementText().toLatin1();
        text = text.simplified().replace(' ', "");
        return QVariant(QByteArray::fromBase64(text));
    }
    if (name == u"date") {
        const QDateTime date = QDateTime::fromString(xml.readElementText().trimmed(), Qt::ISODate);
        return date.isValid() ? std::optional<QVariant>(QVariant(date)) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> PropertyList::parse(const QByteArray &data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return std::nullopt;
    if (!xml.readNextStartElement())
        return std::nullopt;
    auto value = readValue(xml);
    if (!value || xml.hasError())
        return std::nullopt;
    return value;
}

std::optional<QVariant> PropertyList::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        logWarning(lcPlatform) << "Property list" << path << "could not be read";
        return std::nullopt;
    }
    auto value = parse(file.readAll());
    if (!value)
        logWarning(lcPlatform) << "Property list" << path << "could not be parsed";
    return value;
}

} // namespace platform
