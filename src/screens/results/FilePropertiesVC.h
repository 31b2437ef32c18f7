#pragma once

#include "model/ImageFile.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class QLabel;

// The file details panel of the results screen: name, format, path, size and dates of one file,
// its image facts, GPS position, camera and exposure data, and copyright and author texts. Other
// screens set `image` and call showFileProperties, or clearFileProperties to empty it. A value that
// cannot be read leaves its label empty.
class FilePropertiesVC : public QWidget
{
    Q_OBJECT
public:
    explicit FilePropertiesVC(QWidget *parent = nullptr);

    ImageFilePtr image;

    void setFilePropertiesCaptions();
    void clearFileProperties();
    void showFileProperties();
    // The text of an EXIF orientation value (1 to 8); empty for any other.
    static QString orientationText(qint64 value);

    // A label by its outlet name (for example "lblValueDimensions"); null when there is none.
    QLabel *outlet(const QString &name) const;

    // Texts of property values as the panel writes them.
    static std::optional<qint64> integerValue(const QVariant &value);
    static QString realText(double value);

private:
    struct Row {
        QString captionOutlet;
        QString captionKey;
        bool colon = true;
        QString valueOutlet; // empty for headers and the origin caption
        bool header = false;
        QLabel *caption = nullptr;
        QLabel *value = nullptr;
    };
    std::vector<Row> rows_;
    void setValue(const char *outlet, const QString &text);
};
