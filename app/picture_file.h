// Pictures from files: read as regular files of bounded size, decoded only when their size is sane.
#pragma once

#include <string>

#include <QPixmap>

namespace netrov::ui {

// Alert pictures are icons; a larger file or picture is refused.
inline constexpr size_t kMaxPictureBytes = 4u * 1024 * 1024;
inline constexpr int kMaxPictureSide = 1024;

// The picture at path, or a null pixmap when the file is missing, is not a
// regular file (a FIFO or a device never holds the caller up), is larger
// than kMaxPictureBytes, or declares a side over kMaxPictureSide.
QPixmap loadPicture(const std::string& path);

}  // namespace netrov::ui
