#include "doc/picture_io.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

// TEMPORARY until the BMP reader and the plug-in host are merged: a minimal BMP reader and
// writer so that the desktop program can be built and tried on its own.
namespace {

constexpr qint64 kFileHeaderSize = 14;

PictureLoadResult ReadBmp(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, PictureLoadStatus::FileError};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < kFileHeaderSize + 12 || !bytes.startsWith("BM"))
        return {{}, PictureLoadStatus::NotPicture};
    DibHandle dib = DibHandle::Allocate(std::size_t(bytes.size() - kFileHeaderSize));
    if (!dib)
        return {{}, PictureLoadStatus::NotPicture};
    std::memcpy(dib.data(), bytes.constData() + kFileHeaderSize, dib.size());
    return {std::move(dib), PictureLoadStatus::Ok};
}

} // namespace

PictureLoadResult LoadPictureFile(const QString& path) {
    return ReadBmp(path);
}

PictureSaveStatus SavePictureFile(DibHandle& dib, const QString& path) {
    if (!dib || !DibIsInfoHeader(dib.data()))
        return PictureSaveStatus::NotWritable;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return PictureSaveStatus::FileError;
    std::uint8_t head[kFileHeaderSize] = {'B', 'M'};
    WriteU32(head + 2, std::uint32_t(dib.size() + kFileHeaderSize));
    WriteU32(head + 10, std::uint32_t(kFileHeaderSize + 40 + DibGetColorTableSize(dib.data())));
    file.write(reinterpret_cast<const char*>(head), kFileHeaderSize);
    file.write(reinterpret_cast<const char*>(dib.data()), qint64(dib.size()));
    return file.commit() ? PictureSaveStatus::Ok : PictureSaveStatus::FileError;
}
