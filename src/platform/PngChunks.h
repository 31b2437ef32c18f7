#pragma once

// The one walk over the chunks of a PNG that every reader of one goes through: the decoder (which
// gives libpng the chunks it needs), the count of metadata blocks made before exiv2 opens the file
// (MetadataBound) and the reading of the resolution from the head. It hops from chunk header to
// chunk header, no chunk's data read, through bytes its caller holds (a file's read-ahead buffer, a
// window, a head in memory), and keeps the bounds no real PNG comes near: a length field past 2^31
// - 1 (which every library refuses) ends the walk as damaged, and so does a chunk that claims more
// bytes than the data holds, once it has been given; and no more chunks are met than
// maxPngChunks() allows for the data's size.
// Internal to ImageSource.

#include <QString>
#include <QtGlobal>

#include <cstring>
#include <functional>

namespace platform::imaging {

// The PNG signature, the first 8 bytes of every PNG.
inline constexpr char kPngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

// The most chunks a PNG of `size` bytes may hold: 2,000 (the metadata blocks MetadataBound lets
// exiv2 see) and one for every 4 KiB of the file. Writers cut the picture data into chunks of 8 KiB
// and more and add a few dozen others, so no real file comes near; every library walks each chunk
// up to the end chunk (exiv2 seeks and reads for each), and two million empty chunks in a 24 MB
// file cost it seconds.
qint64 maxPngChunks(qint64 size);

// One chunk as the walk meets it.
struct PngChunk {
    qint64 offset = 0;  // where its length field starts
    quint32 length = 0; // bytes of its data (between its type and its checksum)
    char type[4] = {};

    bool is(const char *name) const { return std::memcmp(type, name, 4) == 0; }
    // Critical chunks (upper-case first letter) make the picture; ancillary ones may be passed over.
    bool isCritical() const { return (quint8(type[0]) & 0x20) == 0; }
    qint64 dataOffset() const { return offset + 8; }
    qint64 end() const { return offset + 12 + qint64(length); } // past its checksum
};

class PngChunkWalk
{
public:
    // Why the walk stopped.
    enum class End {
        Walking,   // not yet
        NotPng,    // no signature at the start
        EndChunk,  // IEND was given
        EndOfData, // the data ended at a chunk's start, or could not be read there
        Damaged,   // a length no PNG may hold, or the chunk given last runs past the data's end
        PastBound, // more chunks than maxPngChunks()
    };

    // Where `length` bytes from `offset` lie, or null when they are not at hand (past the end of
    // the data, or a read failed).
    using Bytes = std::function<const char *(qint64 offset, qint64 length)>;

    // A walk over `size` bytes reached through `bytesAt`, from the first chunk after the signature,
    // ending past maxPngChunks(size) chunks when `bounded` (a decoder, whose cost for each chunk it
    // passes over is that of reading it, walks on to read the picture).
    PngChunkWalk(Bytes bytesAt, qint64 size, bool bounded = true);

    // The next chunk (IEND included); false once the walk has ended (see end()).
    bool next(PngChunk &chunk);
    End end() const { return end_; }
    qint64 chunks() const { return chunks_; }
    // Why the walk ended as Damaged or PastBound, for a log line; empty otherwise.
    QString reason() const;

private:
    Bytes bytesAt_;
    qint64 size_;
    bool bounded_;
    qint64 position_ = 8; // where the next chunk starts
    qint64 chunks_ = 0;
    End end_ = End::Walking;
    quint32 lastLength_ = 0;
};

} // namespace platform::imaging
