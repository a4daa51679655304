// Bounded picture reads.
#include "picture_file.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "platform/regular_file.h"

namespace netrov::ui {

QPixmap loadPicture(const std::string& path)
{
    const platform::FileBytes file = platform::readRegularFile(path, kMaxPictureBytes);
    if (file.status != platform::ReadStatus::Read) return {};
    QByteArray bytes = QByteArray::fromRawData(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer);
    // The header's size, before any pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) return {};
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}  // namespace netrov::ui
