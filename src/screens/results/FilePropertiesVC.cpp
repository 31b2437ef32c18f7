#include "screens/results/FilePropertiesVC.h"

#include "model/Palette.h"
#include "model/PropertyNumber.h"
#include "model/TextLookup.h"
#include "platform/ImageSource.h"
#include "services/MVNAssistance.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>

namespace {

QString dateText(const QDateTime &date)
{
    const QLocale locale;
    return locale.toString(date.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ")
        + locale.toString(date.time(), QLocale::ShortFormat);
}

} // namespace

FilePropertiesVC::FilePropertiesVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FileProperties"));
    struct Spec {
        const char *caption, *key;
        bool colon;
        const char *value;
        bool header;
    };
    static const Spec specs[] = {
        {"lblHeaderFileDetails", "IDS_TWK_78", false, "", true},
        {"lblCapName", "IDS_TWK_59", true, "lblValueName", false},
        {"lblCapFormat", "IDS_TWK_80", true, "lblValueFormat", false},
        {"lblCapFilePath", "IDS_TWK_81", true, "lblValueFilePath", false},
        {"lblCapFileSize", "IDS_TWK_82", true, "lblValueFileSize", false},
        {"lblCapDateCreated", "IDS_TWK_83", true, "lblValueDateCreated", false},
        {"lblCapDateModified", "IDS_TWK_84", true, "lblValueDateModified", false},
        {"lblHeaderImage", "IDS_TWK_85", false, "", true},
        {"lblCapOrientation", "IDS_TWK_305", true, "lblValueOrientation", false},
        {"lblCapDimensions", "IDS_TWK_86", true, "lblValueDimensions", false},
        {"lblCapWidth", "IDS_TWK_69", true, "lblValueWidth", false},
        {"lblCapHeight", "IDS_TWK_70", true, "lblValueHeight", false},
        {"lblCapHorizontalResolution", "IDS_TWK_89", true, "lblValueHorizontalResolution", false},
        {"lblCapVerticalResolution", "IDS_TWK_90", true, "lblValueVerticalResolution", false},
        {"lblCapBitDepth", "IDS_TWK_91", true, "lblValueBitDepth", false},
        {"lblHeaderGPS", "IDS_TWK_32", false, "", true},
        {"lblCapLatitude", "IDS_TWK_92", true, "lblValueLatitude", false},
        {"lblCapLongitude", "IDS_TWK_93", true, "lblValueLongitude", false},
        {"lblCapAltitude", "IDS_TWK_94", true, "lblValueAltitude", false},
        {"lblHeaderCameraDetails", "IDS_TWK_95", false, "", true},
        {"lblCapCameraMaker", "IDS_TWK_96", true, "lblValueCameraMaker", false},
        {"lblCapCameraModel", "IDS_TWK_97", true, "lblValueCameraModel", false},
        {"lblCapFStop", "IDS_TWK_98", true, "lblValueFStop", false},
        {"lblCapExposureTime", "IDS_TWK_99", true, "lblValueExposureTime", false},
        {"lblICapISOSpeed", "IDS_TWK_100", true, "lblValueISOSpeed", false},
        {"lblCapExposureBias", "IDS_TWK_101", true, "lblValueExpsureBias", false},
        {"lblCapFocalLength", "IDS_TWK_102", true, "lblValueFocalLength", false},
        {"lblCapFlashMode", "IDS_TWK_103", true, "lblValueFlashMode", false},
        {"lblCapOrigin", "IDS_TWK_104", false, "", true},
        {"lblCapCopyright", "IDS_TWK_105", true, "lblValueCopyright", false},
        {"lblCapProgramName", "IDS_TWK_106", true, "lblValueProgramName", false},
        {"lblCapAuthors", "IDS_TWK_107", true, "lblValueAutors", false},
        {"lblCapDateTaken", "IDS_TWK_5120", true, "lblValueDateTaken", false},
    };

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("filePropertiesContent"));
    auto *grid = new QGridLayout(content);
    grid->setContentsMargins(10, 8, 10, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(1, 1);
    int line = 0;
    for (const Spec &spec : specs) {
        Row row;
        row.captionOutlet = QLatin1String(spec.caption);
        row.captionKey = QLatin1String(spec.key);
        row.colon = spec.colon;
        row.valueOutlet = QLatin1String(spec.value);
        row.header = spec.header;
        row.caption = new QLabel(content);
        row.caption->setObjectName(row.captionOutlet);
        if (row.header) {
            QFont bold = row.caption->font();
            bold.setBold(true);
            row.caption->setFont(bold);
            row.caption->setStyleSheet(QStringLiteral("color: " TWINSIFT_LABEL_TEXT_CSS "; padding-top: 6px;"));
            grid->addWidget(row.caption, line++, 0, 1, 2);
        } else {
            row.caption->setStyleSheet(QStringLiteral("color: " TWINSIFT_MUTED_TEXT_CSS ";"));
            row.caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
            grid->addWidget(row.caption, line, 0);
            if (!row.valueOutlet.isEmpty()) {
                row.value = new QLabel(content);
                row.value->setObjectName(row.valueOutlet);
                row.value->setTextFormat(Qt::PlainText); // names, paths and metadata as they stand
                row.value->setStyleSheet(QStringLiteral("color: " TWINSIFT_LABEL_TEXT_CSS ";"));
                row.value->setWordWrap(true);
                row.value->setTextInteractionFlags(Qt::TextSelectableByMouse);
                row.value->setMinimumWidth(60);
                grid->addWidget(row.value, line, 1);
            }
            ++line;
        }
        rows_.push_back(row);
    }
    grid->setRowStretch(line, 1);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("filePropertiesScroll"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The details scroll by keyboard too; a blue edge shows when they have the focus.
    setStyleSheet(QStringLiteral("#filePropertiesScroll, #filePropertiesContent { background:"
                                 " " TWINSIFT_RESULTS_BACKGROUND_CSS "; }"
                                 "#filePropertiesScroll { border: 1px solid transparent; border-radius: 4px; }"
                                 "#filePropertiesScroll:focus { border-color: " TWINSIFT_FOCUS_BLUE_CSS "; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    setFilePropertiesCaptions();
    clearFileProperties();
}

QLabel *FilePropertiesVC::outlet(const QString &name) const
{
    for (const Row &row : rows_) {
        if (row.captionOutlet == name)
            return row.caption;
        if (row.valueOutlet == name)
            return row.value;
    }
    return nullptr;
}

void FilePropertiesVC::setFilePropertiesCaptions()
{
    for (Row &row : rows_)
        row.caption->setText(localizedText(row.captionKey) + (row.colon ? QStringLiteral(":") : QString()));
}

void FilePropertiesVC::clearFileProperties()
{
    for (Row &row : rows_)
        if (row.value)
            row.value->clear();
}

void FilePropertiesVC::setValue(const char *name, const QString &text)
{
    if (QLabel *label = outlet(QLatin1String(name)))
        label->setText(text);
}

std::optional<qint64> FilePropertiesVC::integerValue(const QVariant &value)
{
    const std::optional<double> number = propertyNumber(value);
    if (!number)
        return std::nullopt;
    if (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float)
        return value.toLongLong(); // exact, where the double may not be
    // A whole number stored as a fraction converts; any other fraction does not.
    if (std::isfinite(*number) && *number == std::trunc(*number) && std::fabs(*number) < 9e15)
        return qint64(*number);
    return std::nullopt;
}

QString FilePropertiesVC::realText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (std::isfinite(value) && !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString FilePropertiesVC::orientationText(qint64 value)
{
    static const char *templates[] = {"0%@ (Top/Left)",          "0%@ (Top/Right)",       "180%@ (Bottom/Right)",
                                      "180%@ (Bottom/Left)",     "90%@ CW (Left/Top)",    "90%@ CCW (Right/Top)",
                                      "90%@ CCW (Right/Bottom)", "90%@ CCW (Left/Bottom)"};
    if (value < 1 || value > 8)
        return {};
    return QString::fromUtf8(templates[value - 1]).replace(QStringLiteral("%@"), QStringLiteral("°"));
}

void FilePropertiesVC::showFileProperties()
{
    namespace P = platform::ImageProperty;
    clearFileProperties();
    if (!image || !image->url)
        return;
    const QUrl &url = *image->url;
    if (image->fileName)
        setValue("lblValueName", *image->fileName);
    const QString path = url.toLocalFile().isEmpty() ? url.path() : url.toLocalFile();
    const QString name = url.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        setValue("lblValueFormat", name.mid(dot + 1));
    setValue("lblValueFilePath", path);
    const MVNAssistance &assistance = sharedAssistance();
    if (const auto size = assistance.fileSizeText(path))
        setValue("lblValueFileSize", *size);
    if (const auto created = assistance.creationDate(path))
        setValue("lblValueDateCreated", dateText(*created));
    if (const auto modified = assistance.modificationDate(path))
        setValue("lblValueDateModified", dateText(*modified));
    if (!image->properties)
        return;
    const QVariantMap &properties = *image->properties;
    const auto width = integerValue(properties.value(QLatin1String(P::PixelWidth)));
    const auto height = integerValue(properties.value(QLatin1String(P::PixelHeight)));
    if (width && height)
        setValue("lblValueDimensions", QStringLiteral("%1 x %2").arg(*width).arg(*height));
    if (width)
        setValue("lblValueWidth", QString::number(*width));
    if (height)
        setValue("lblValueHeight", QString::number(*height));
    if (const auto dpi = integerValue(properties.value(QLatin1String(P::DPIWidth))))
        setValue("lblValueHorizontalResolution", QString::number(*dpi) + QStringLiteral(" dpi"));
    if (const auto dpi = integerValue(properties.value(QLatin1String(P::DPIHeight))))
        setValue("lblValueVerticalResolution", QString::number(*dpi) + QStringLiteral(" dpi"));
    if (const auto depth = integerValue(properties.value(QLatin1String(P::Depth))))
        setValue("lblValueBitDepth", QString::number(*depth));

    const QVariant gpsValue = properties.value(QLatin1String(P::GPSDictionary));
    if (gpsValue.typeId() == QMetaType::QVariantMap) {
        const QVariantMap gps = gpsValue.toMap();
        if (const auto v = propertyNumber(gps.value(QLatin1String(P::GPSLatitude))))
            setValue("lblValueLatitude", realText(*v));
        if (const auto v = propertyNumber(gps.value(QLatin1String(P::GPSLongitude))))
            setValue("lblValueLongitude", realText(*v));
        if (const auto v = propertyNumber(gps.value(QLatin1String(P::GPSAltitude))))
            setValue("lblValueAltitude", realText(*v));
        // The GPS date stamp lives in the GPS properties, where the metadata reader puts it.
        const QVariant dateStamp = gps.value(QLatin1String(P::GPSDateStamp));
        if (dateStamp.typeId() == QMetaType::QString)
            setValue("lblValueDateTaken", dateStamp.toString());
    }
    const QVariant tiffValue = properties.value(QLatin1String(P::TIFFDictionary));
    if (tiffValue.typeId() == QMetaType::QVariantMap) {
        const QVariantMap tiff = tiffValue.toMap();
        const QVariant make = tiff.value(QLatin1String(P::TIFFMake));
        if (make.typeId() == QMetaType::QString)
            setValue("lblValueCameraMaker", make.toString());
        const QVariant model = tiff.value(QLatin1String(P::TIFFModel));
        if (model.typeId() == QMetaType::QString)
            setValue("lblValueCameraModel", model.toString());
        if (const auto orientation = integerValue(tiff.value(QLatin1String(P::TIFFOrientation))))
            setValue("lblValueOrientation", orientationText(*orientation));
    }
    const QVariant exifValue = properties.value(QLatin1String(P::ExifDictionary));
    if (exifValue.typeId() == QMetaType::QVariantMap) {
        const QVariantMap exif = exifValue.toMap();
        if (const auto v = propertyNumber(exif.value(QLatin1String(P::ExifFNumber))))
            setValue("lblValueFStop", QStringLiteral("f/ ") + realText(*v));
        if (const auto v = propertyNumber(exif.value(QLatin1String(P::ExifExposureTime))))
            setValue("lblValueExposureTime", realText(*v));
        const QVariant iso = exif.value(QLatin1String(P::ExifISOSpeedRatings));
        if (iso.typeId() == QMetaType::QVariantList) {
            QStringList parts;
            for (const QVariant &element : iso.toList()) {
                if (const auto n = integerValue(element))
                    parts << QString::number(*n);
                else
                    parts << element.toString();
            }
            setValue("lblValueISOSpeed", QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']'));
        }
        if (const auto v = propertyNumber(exif.value(QLatin1String(P::ExifExposureBiasValue))))
            setValue("lblValueExpsureBias", realText(*v));
        if (const auto v = propertyNumber(exif.value(QLatin1String(P::ExifFocalLength))))
            setValue("lblValueFocalLength", realText(*v));
    }
    // Top-level texts: PNG copyright and author, IPTC copyright notice.
    const auto text = [&properties](const char *key) -> std::optional<QString> {
        const QVariant value = properties.value(QLatin1String(key));
        if (value.typeId() == QMetaType::QString)
            return value.toString();
        return std::nullopt;
    };
    if (const auto v = text("Copyright"))
        setValue("lblValueCopyright", *v);
    if (const auto v = text("CopyrightNotice"))
        setValue("lblValueProgramName", *v);
    if (const auto v = text("Author"))
        setValue("lblValueAutors", *v);
}
