#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// Block-mean perceptual hash of a photo and the comparison of two such hashes.
//
// The hash of a photo for a bitmap size s: a thumbnail of the photo (the one the file embeds when
// it has one, else the picture decoded at reduced size; orientation applied, longer side at most s)
// is stretched to s x s by area averaging into an 8-bit grey bitmap (grey level = the luminance of the
// sRGB colour, worked out in linear light), and cut into a 4 x 4 grid of blocks; each pixel gives one bit, set when the
// pixel is strictly brighter than the mean of its block. The bits are numbered block by block (bands top-down, blocks
// left to right, rows top-down inside a block) and packed most significant bit first into 64-bit words.
//
// The class has no state; every call stands alone and may run on any thread.
class MVNTwinsift
{
public:
    enum class HashOutcome {
        Hash,      // words hold the hash
        Flat,      // no pixel above its block mean (the hash is absent)
        Unreadable // the picture could not be read
    };

    struct HashResult {
        HashOutcome outcome = HashOutcome::Unreadable;
        std::vector<uint64_t> words;
        bool hasHash() const { return outcome == HashOutcome::Hash; }
    };

    // The bitmap sizes a hash can be made for; any other size gives no hash (Unreadable) and a
    // comparison score of 18.0.
    static constexpr int minimumBitmapSize = 1;
    static constexpr int maximumBitmapSize = 1024;
    static bool isValidBitmapSize(int bitmapSize)
    {
        return bitmapSize >= minimumBitmapSize && bitmapSize <= maximumBitmapSize;
    }

    // The hash of the picture at `path` for bitmap size `bitmapSize`. An embedded thumbnail is used
    // when present; else JPEG files are decoded at a reduced scale straight from the compressed
    // data, so the cost barely depends on the photo's resolution. `shouldStop` (the scan's stop
    // switch) ends a decode that is still reading: the photo is then Unreadable.
    HashResult twk(const QString &path, int bitmapSize, const std::function<bool()> &shouldStop = {}) const;

    // The similarity of two hashes made with the same bitmap size, in percent (single precision):
    // (n - d) / n * 100 for n = s * s bits and d differing bits, or 18.0 as soon as d passes the
    // limit trunc(n * 0.18999999999999995).
    float mVNCompare(const std::vector<uint64_t> &hash1, const std::vector<uint64_t> &hash2, int bitmapSize) const;

    // Number of 1 bits of the word.
    uint64_t hashofhashhash(uint64_t word) const;

    // --- the steps, for the scan engine and the tests ---

    // The picture's thumbnail with its orientation applied and the longer side at most maxPixel (a
    // smaller picture is not enlarged): the embedded thumbnail when the file holds one of the
    // picture's proportions, else the picture decoded at reduced scale
    // (ImageSource::comparableThumbnail).
    // Null when unreadable.
    static QImage thumbnail(const QString &path, int maxPixel, const std::function<bool()> &shouldStop = {});
    // The thumbnail stretched over s x s by area averaging and turned grey (transparent parts over
    // black), in integer arithmetic of this class's own: the same pixels give the same bitmap
    // whatever release of the image libraries is installed. Null for a null thumbnail.
    static QImage greyBitmap(const QImage &thumbnail, int bitmapSize);
    // The hash of an already made thumbnail.
    static HashResult hashThumbnail(const QImage &thumbnail, int bitmapSize);

    // The distance limit L for bitmap size s.
    static uint32_t distanceLimit(int bitmapSize);
    // Number of 64-bit words of a hash for bitmap size s.
    static size_t wordCount(int bitmapSize);
};
