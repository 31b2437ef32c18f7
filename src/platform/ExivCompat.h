#pragma once

// The few places where the metadata library's interface differs between exiv2 0.27 (Debian 12) and
// 0.28 (Debian 13), bridged once so that the rest of the code reads the same on both. Error codes
// qualify as Exiv2::ErrorCode::kerXxx in both, so they need no bridge.

#include <exiv2/exiv2.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace platform::exiv {

#if EXIV2_TEST_VERSION(0, 28, 0)
using ImagePtr = Exiv2::Image::UniquePtr;
using IoPtr = Exiv2::BasicIo::UniquePtr;

inline ImagePtr openImage(IoPtr io)
{
    return Exiv2::ImageFactory::open(std::move(io));
}

// Counts, offsets and positions of BasicIo.
using IoCount = size_t;
using IoOffset = int64_t;
using IoPosition = size_t;
// An empty DataBuf read is a failure from 0.28 on.
inline constexpr bool kEmptyReadThrows = true;

inline const Exiv2::byte *bytes(const Exiv2::DataBuf &buf)
{
    return buf.c_data();
}
inline Exiv2::byte *bytes(Exiv2::DataBuf &buf)
{
    return buf.data();
}
inline size_t byteCount(const Exiv2::DataBuf &buf)
{
    return buf.size();
}
inline void shrink(Exiv2::DataBuf &buf, size_t count)
{
    buf.resize(count);
}
inline int64_t integerAt(const Exiv2::Exifdatum &datum, size_t i)
{
    return datum.toInt64(i);
}
// ISO base media files (HEIF, AVIF, CR3) are read whenever the library was built with them.
inline void enableBmff()
{
}
#else
using ImagePtr = std::unique_ptr<Exiv2::Image>;
using IoPtr = std::unique_ptr<Exiv2::BasicIo>;

inline ImagePtr openImage(IoPtr io)
{
    // 0.27 takes and gives std::auto_ptr, which C++17 deprecates: this is the one place it is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr owned(io.release());
    return ImagePtr(Exiv2::ImageFactory::open(owned).release());
#pragma GCC diagnostic pop
}

using IoCount = long;
using IoOffset = long;
using IoPosition = long;
inline constexpr bool kEmptyReadThrows = false;

inline const Exiv2::byte *bytes(const Exiv2::DataBuf &buf)
{
    return buf.pData_;
}
inline Exiv2::byte *bytes(Exiv2::DataBuf &buf)
{
    return buf.pData_;
}
inline size_t byteCount(const Exiv2::DataBuf &buf)
{
    return buf.size_ > 0 ? size_t(buf.size_) : 0;
}
inline void shrink(Exiv2::DataBuf &buf, size_t count)
{
    buf.size_ = long(count);
}
inline int64_t integerAt(const Exiv2::Exifdatum &datum, size_t i)
{
    return datum.toLong(long(i));
}
// ISO base media files (HEIF, AVIF, CR3) are read only once switched on.
inline void enableBmff()
{
#ifdef EXV_ENABLE_BMFF
    Exiv2::enableBMFF(true);
#endif
}
#endif

} // namespace platform::exiv
