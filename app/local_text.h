// Texts between the core and Qt: the core keeps bytes in the system's local encoding.
#pragma once

#include <string>

#include <QString>

#include "device_list.h"

namespace netrov::ui {

using core::fieldText;

// Bytes in the local encoding (device texts, the language file's words) as a QString.
inline QString local(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace netrov::ui
