#pragma once

// The one walk over a TIFF structure's directories, classic (`II*\0` / `MM\0*`: 12-byte entries,
// 4-byte counts and offsets) and BigTIFF (`II+\0` / `MM\0+`: 20-byte entries, 8-byte counts and
// offsets), over a window of some bytes: a TIFF file itself, or the Exif block inside a JPEG's APP1
// segment, a PNG's eXIf chunk or a WebP's EXIF chunk. Offsets are counted from the structure's
// header, as the structure states them. No field's data is read. Internal to ImageSource.

#include <QtGlobal>

#include <optional>

namespace platform::imaging {

// Where the walk reads: `length` bytes from `offset`, pointed at by `out` until the next read;
// false when the bytes end first.
class TiffBytes
{
public:
    virtual ~TiffBytes() = default;
    virtual bool read(qint64 offset, qint64 length, const char *&out) = 0;
};

// Bytes in memory as a TiffBytes.
class TiffMemory final : public TiffBytes
{
public:
    TiffMemory(const char *data, qint64 size)
        : data_(data)
        , size_(size)
    {
    }
    bool read(qint64 offset, qint64 length, const char *&out) override
    {
        if (offset < 0 || length < 0 || offset > size_ - length)
            return false;
        out = data_ + offset;
        return true;
    }

private:
    const char *data_;
    qint64 size_;
};

// One directory entry as the structure states it.
struct TiffEntry {
    quint16 tag = 0;
    quint16 type = 0;
    quint64 count = 0;
    qint64 bytes = 0;     // count x the size of one value (0 for a type no reader knows), at most 2^62
    bool inlined = false; // the data lies within the entry itself
    qint64 data = 0;      // where the data lies, from the header
};

class TiffDirectoryWalk
{
public:
    // The structure whose header stands at `base` in `bytes`, `length` bytes long.
    TiffDirectoryWalk(TiffBytes &bytes, qint64 base, qint64 length);

    bool isTiff() const { return first_ >= 0; }
    bool isBig() const { return big_; }
    qint64 length() const { return length_; }
    // The offset of the first directory, -1 for no TIFF.
    qint64 firstDirectory() const { return first_; }

    // The number of entries of the directory at `directory`, as stated; -1 when it cannot be read
    // or states more than a classic directory can (65,535).
    qint64 entryCount(qint64 directory);
    // Entry `index` of the directory at `directory`; false past the bytes.
    bool entry(qint64 directory, qint64 index, TiffEntry &out);
    // The offset of the directory after the one at `directory` (of `entries` entries); 0 for none.
    qint64 nextDirectory(qint64 directory, qint64 entries);
    // The offset (4 bytes, or 8 in a BigTIFF) at `at`; nothing past the bytes.
    std::optional<qint64> offsetAt(qint64 at);
    // The first value of an integer field (BYTE, SHORT, LONG, LONG8 and their signed kinds) whose
    // data lies within its entry.
    std::optional<qint64> integer(const TiffEntry &entry);
    // Bytes of a block of `bytes` at `offset` that lie within the structure.
    qint64 within(qint64 offset, qint64 bytes) const;

    qint64 entrySize() const { return big_ ? 20 : 12; }
    qint64 countSize() const { return big_ ? 8 : 2; }
    qint64 offsetSize() const { return big_ ? 8 : 4; }

private:
    bool read(qint64 offset, qint64 length, const char *&out);
    quint64 number(const char *p, int size) const;

    TiffBytes &bytes_;
    qint64 base_;
    qint64 length_;
    bool little_ = true;
    bool big_ = false;
    qint64 first_ = -1;
};

// Bytes of one value of a TIFF field type (0 for a type no reader knows).
qint64 tiffTypeBytes(quint16 type);

} // namespace platform::imaging
