#include "platform/Md5.h"

#include "platform/RegularFile.h"

#include <openssl/evp.h>

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace platform {

struct Md5::Impl {
    EVP_MD_CTX *ctx = nullptr;
    bool ok = false;
};

Md5::Md5()
    : d(std::make_unique<Impl>())
{
    d->ctx = EVP_MD_CTX_new();
    d->ok = d->ctx && EVP_DigestInit_ex(d->ctx, EVP_md5(), nullptr) == 1;
}

Md5::~Md5()
{
    if (d->ctx)
        EVP_MD_CTX_free(d->ctx);
}

bool Md5::update(const void *data, std::size_t length)
{
    if (!d->ok)
        return false;
    d->ok = EVP_DigestUpdate(d->ctx, data, length) == 1;
    return d->ok;
}

QByteArray Md5::finish()
{
    if (!d->ok)
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    d->ok = false;
    if (EVP_DigestFinal_ex(d->ctx, digest, &length) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char *>(digest), int(length));
}

QString Md5::hex(const QByteArray &data)
{
    Md5 md5;
    md5.update(data.constData(), std::size_t(data.size()));
    return QString::fromLatin1(md5.finish().toHex());
}

Md5::FileResult Md5::ofFile(const QString &path, const std::function<bool()> &shouldStop)
{
    FileResult result;
    const std::optional<RegularFile> file = path.isEmpty() ? std::nullopt : RegularFile::openScanned(path);
    if (!file) {
        result.status = FileStatus::OpenFailed;
        return result;
    }
    Md5 md5;
    std::vector<char> chunk(kChunkSize);
    for (;;) {
        if (shouldStop && shouldStop())
            break;
        const ssize_t got = ::read(file->descriptor(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.status = FileStatus::ReadFailed;
            return result;
        }
        if (got == 0)
            break;
        if (!md5.update(chunk.data(), std::size_t(got))) {
            result.status = FileStatus::ReadFailed;
            return result;
        }
    }
    if (shouldStop && shouldStop()) {
        result.status = FileStatus::Stopped;
        return result;
    }
    const QByteArray digest = md5.finish();
    if (digest.size() != 16) {
        result.status = FileStatus::ReadFailed;
        return result;
    }
    result.status = FileStatus::Done;
    result.hex = QString::fromLatin1(digest.toHex());
    return result;
}

} // namespace platform
