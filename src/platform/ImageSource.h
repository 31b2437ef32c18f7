#pragma once

#include <QImage>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// Keys of the image property map (ImageSource::properties). Top-level entries describe image 0;
// the dictionaries hold the TIFF (IFD0), Exif, GPS and IPTC fields under their usual tag names
// (for example "{TIFF}" -> "Orientation", "DateTime", "Make", "Model"; "{Exif}" -> "FNumber",
// "ExposureTime", "ISOSpeedRatings"; "{GPS}" -> "Latitude", "LatitudeRef", "Longitude",
// "LongitudeRef", "Altitude", "DateStamp"). Rationals are doubles, counts are integers, lists are QVariantList.
namespace ImageProperty {
inline constexpr const char *PixelWidth = "PixelWidth";
inline constexpr const char *PixelHeight = "PixelHeight";
inline constexpr const char *DPIWidth = "DPIWidth";
inline constexpr const char *DPIHeight = "DPIHeight";
inline constexpr const char *Depth = "Depth";
inline constexpr const char *ColorModel = "ColorModel";
inline constexpr const char *Orientation = "Orientation";
inline constexpr const char *TIFFDictionary = "{TIFF}";
inline constexpr const char *ExifDictionary = "{Exif}";
inline constexpr const char *GPSDictionary = "{GPS}";
inline constexpr const char *IPTCDictionary = "{IPTC}";
// Keys inside the dictionaries.
inline constexpr const char *TIFFOrientation = "Orientation";
inline constexpr const char *TIFFDateTime = "DateTime";
inline constexpr const char *TIFFMake = "Make";
inline constexpr const char *TIFFModel = "Model";
inline constexpr const char *GPSLatitude = "Latitude";
inline constexpr const char *GPSLatitudeRef = "LatitudeRef";
inline constexpr const char *GPSLongitude = "Longitude";
inline constexpr const char *GPSLongitudeRef = "LongitudeRef";
inline constexpr const char *GPSAltitude = "Altitude";
inline constexpr const char *GPSDateStamp = "DateStamp";
inline constexpr const char *ExifFNumber = "FNumber";
inline constexpr const char *ExifExposureTime = "ExposureTime";
inline constexpr const char *ExifISOSpeedRatings = "ISOSpeedRatings";
inline constexpr const char *ExifExposureBiasValue = "ExposureBiasValue";
inline constexpr const char *ExifFocalLength = "FocalLength";
} // namespace ImageProperty

// Metadata tag types, as reported in the "type" entry of a metadata tag.
enum class MetadataTagType {
    Default = 0,
    String = 1,
    ArrayUnordered = 2,
    ArrayOrdered = 3,
    AlternateArray = 4,
    AlternateText = 5,
    Structure = 6
};

// What a decode of a picture gave: the picture, or why there is none. The reason is the one the log
// gives the file, taken where its line is written (also when that line was written before and stays
// quiet now), so that a preview says what the log says.
class DecodeOutcome
{
public:
    enum class Reason {
        Unreadable,  // the file cannot be opened or read, or is no regular file
        Damaged,     // its contents cannot be decoded
        TooLarge,    // past a size, pixel or decode bound
        RefusedKind, // a kind of file never handed to a decoder
        Stopped,     // the work that asked for it was stopped (no line in the log)
    };

    // A picture; a null one stands for a damaged file.
    explicit DecodeOutcome(QImage picture);
    // No picture, for `reason`; `pixels`: the size of a picture too large for its pixel count.
    explicit DecodeOutcome(Reason reason, QSize pixels = {});

    bool hasPicture() const { return !picture_.isNull(); }
    // The picture; null when there is none.
    const QImage &picture() const { return picture_; }
    QImage takePicture() { return std::move(picture_); }
    std::optional<QImage> toOptional() &&;
    // Why there is no picture (meaningful only then).
    Reason reason() const { return reason_; }
    // For a picture left out for its pixel count: its size, as its decoder read it; else empty.
    QSize pixels() const { return pixels_; }

private:
    QImage picture_;
    Reason reason_ = Reason::Damaged;
    QSize pixels_;
};

// Reads one image file: what it is, its properties and metadata (exiv2), and decoded pictures
// (Qt image readers; libheif for HEIC/HEIF). Nothing is read until asked.
class ImageSource
{
public:
    // `shouldStop`, when given, is the stop switch of the work that asks (a scan's): a PNG's
    // decode asks it as it reads and gives up, absent and without a line in the log, once it
    // answers true.
    explicit ImageSource(const QString &path, std::function<bool()> shouldStop = {});

    const QString &path() const { return path_; }
    // A type identifier such as "public.jpeg", "public.png", "public.tiff", "public.heic", told from
    // the file's contents; absent when the file is missing or no known image format.
    std::optional<QString> typeIdentifier() const;
    // Properties of image 0 (keys above); absent when the file is not an image, or is a JPEG whose
    // frame header (its pixel size) cannot be read. A JPEG is read through one open (format from
    // its first bytes, frame header parsed, from memory when the file is small; metadata from the
    // same descriptor); other files as by propertiesByImageReaders, with the same result either way.
    // A PNG, TIFF or WebP with more metadata than exiv2 is given (16 MB, 2,000 blocks:
    // MetadataBound), or a JPEG whose Exif block would have it copy as much, has its picture's
    // properties without the metadata, and a line in the log.
    std::optional<QVariantMap> properties() const;
    // The same properties read the plain way: the format told by Qt's image readers probing the
    // contents, the header by a Qt reader for that format, the metadata by exiv2 opening the file
    // itself. Slower; the baseline the faster reading is held to.
    std::optional<QVariantMap> propertiesByImageReaders() const;
    // Metadata tags of image 0 (Exif, IPTC and XMP), each a map with "namespace", "prefix", "name",
    // "value", "type" and, when it has any, "qualifiers". Absent when the file is not a readable
    // image; empty when it carries none, or more than exiv2 is given (as for properties()).
    std::optional<QVariantList> metadataTags() const;
    // The whole image decoded at a size whose longer side is at most maxPixel (never enlarged),
    // turned upright by its orientation when applyOrientation. Absent when it cannot be decoded.
    // The cost is bounded: a JPEG is always decoded at reduced scale from its compressed data; no
    // picture is decoded at full size above 50 megapixels. Decodes running at once on several
    // threads share a memory budget; one whose decoder needs more than 100 MB (a progressive JPEG
    // keeps all its coefficients: some 146 MB at 48 MP) runs alone, and one that would need more than
    // 1 GB (or a quarter of the machine's memory) is not decoded: such a picture gives its largest
    // embedded preview instead, or nothing, and a line naming it goes to the log. A JPEG (or an
    // embedded one) with more marker segments or metadata than any camera writes, anywhere up to
    // its end, is refused before any decoder sees it, with a line in the log.
    std::optional<QImage> thumbnail(int maxPixel, bool applyOrientation) const;
    // As thumbnail(), with the reason when there is no picture.
    DecodeOutcome thumbnailOutcome(int maxPixel, bool applyOrientation) const;
    // As thumbnail(), for comparing pictures (the perceptual hash): a JPEG is shrunk by its decoder
    // only down to twice the thumbnail's size, so that the averaging that follows does most of the
    // reduction, as it does for a lossless copy of the JPEG's pixels (PNG, TIFF) decoded whole.
    std::optional<QImage> comparableThumbnail(int maxPixel, bool applyOrientation) const;
    // The Exif thumbnail the file embeds (read by exiv2 without decoding the picture), turned upright
    // by the picture's orientation when applyOrientation. Absent when there is none, or when its
    // proportions differ from the picture's (a thumbnail with black bands, or a stale one).
    std::optional<QImage> embeddedThumbnail(bool applyOrientation) const;
    // The part `rect` of the picture (in the pixels of its full size, turned upright when
    // applyOrientation; clipped to the picture) decoded at `size` or less: the part's own
    // proportions, never larger than its own pixels. Bounded as thumbnail() is: a JPEG decodes
    // only the rows down to the part, at the smallest reduced scale that still gives `size`, under
    // the shared memory budget; another picture is decoded whole, up to 50 megapixels. Absent when
    // it cannot be decoded, or when the part lies outside the picture.
    std::optional<QImage> region(const QRect &rect, QSize size, bool applyOrientation) const;

    // True when the file at `path` is a regular file that starts with the JPEG signature (FF D8)
    // and whose frame header reads in the plain layout within its first 256 KiB: its properties()
    // are then never absent. Reads the first 8 KiB (more only when the header lies further on).
    static bool hasJpegFrameHeader(const QString &path);

    // A share of the memory budget that decodes running at once share (the one thumbnail() and the
    // other bounded decodes take): waits until `bytes` fit, and gives them back when the returned
    // holder is released. For decodes made outside this class, such as video frames.
    static std::shared_ptr<void> reserveDecodeMemory(qint64 bytes);
    // The most pixels a picture is ever decoded at in full.
    static qint64 maxFullDecodePixels();

    // Sets up the metadata library once (HEIC metadata on, its log kept off the terminal, and the
    // image decoders' complaints about damaged files too). Called by every ImageSource; safe from
    // any thread.
    static void initializeLibraries();

private:
    // The outcome of `decode` (a call giving an optional picture), with the reason the log heard.
    template <typename Decode>
    DecodeOutcome outcomeOf(const Decode &decode) const;

    QString path_;
    std::function<bool()> shouldStop_;
};

} // namespace platform
