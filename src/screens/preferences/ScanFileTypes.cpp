#include "screens/preferences/ScanFileTypes.h"

#include <array>

namespace ScanFileTypes {

const QStringList &rowExtensions(int row)
{
    static const std::array<QStringList, kRowCount> rows = {{
        {"jpeg", "jpg", "jpe"},
        {"gif", "GIF"},
        {"png"},
        {"tiff", "tif"},
        {"bmp"},
        {"ico"},
        {"jp2", "jpf", "jpx", "j2k", "j2c"},
        {"icns"},
        {"eps"},
        {"flc", "fli", "cel"},
        {"fpx"},
        {"pntg"},
        {"mpo"},
        {"exr"},
        {"pict", "pct", "pic"},
        {"qtif", "qti"},
        {"rgbe", "xyze", "rad", "hdr"},
        {"sgi"},
        {"tga"},
        {"heic", "heif"},
        // Video formats
        {"mpeg"},
        {"mpeg-4", "avc", "mp4"},
        {"divx"},
        {"mov"},
        {"xvid"},
        {"mpg"},
        {"avi"},
        {"webm"},
        {"dv"},
        {"3gpp"},
        {"m4v"},
        {"3gp"},
        {"3gpp2"},
        {"mpeg-2"},
        {"mpeg-1"},
        {"mpa"},
        {"flv"},
        {"wmx"},
    }};
    static const QStringList none;
    return row >= 0 && row < kRowCount ? rows[size_t(row)] : none;
}

bool isRowOn(const QStringList &scanned, int row)
{
    const QStringList &extensions = rowExtensions(row);
    if (extensions.isEmpty())
        return false;
    for (const QString &extension : extensions)
        if (!scanned.contains(extension))
            return false;
    return true;
}

void setRowOn(QStringList &scanned, int row, bool on)
{
    for (const QString &extension : rowExtensions(row)) {
        if (on) {
            if (!scanned.contains(extension))
                scanned.append(extension);
        } else {
            scanned.removeAll(extension);
        }
    }
}

} // namespace ScanFileTypes
