#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

namespace platform {

// Streaming MD5 over OpenSSL's EVP interface.
class Md5
{
public:
    Md5();
    ~Md5();
    Md5(const Md5 &) = delete;
    Md5 &operator=(const Md5 &) = delete;

    bool update(const void *data, std::size_t length);
    // The 16-byte digest; the object cannot be updated afterwards.
    QByteArray finish();

    // 32 lowercase hexadecimal digits of the digest of `data`.
    static QString hex(const QByteArray &data);

    enum class FileStatus { Done, Stopped, OpenFailed, ReadFailed };
    struct FileResult {
        FileStatus status = FileStatus::OpenFailed;
        QString hex; // set when Done
    };
    static constexpr std::size_t kChunkSize = 1024 * 1024;
    // Digests a file in chunks of kChunkSize bytes. `shouldStop` is asked before every chunk and
    // once after the last; when it answers true the result is Stopped. A read error is ReadFailed,
    // never end of file.
    static FileResult ofFile(const QString &path, const std::function<bool()> &shouldStop = {});

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
