// The exported entry points of zomini: thin shims over netrov::ini.
#include <netrov/zomini.h>

#include <new>

#include "ini_file.h"

namespace ini = netrov::ini;

ZOMINI_API int32_t NETROV_CALL ZOMINI_IniEnumSections(char* buffer, uint32_t size, const char* path) noexcept
{
    try {
        return ini::enumSectionNames(buffer, size, path);
    } catch (...) {
        return 0;
    }
}

ZOMINI_API int32_t NETROV_CALL ZOMINI_IniReadString(const char* section, const char* key, const char* defaultText,
                                                    char* buffer, uint32_t size, const char* path) noexcept
{
    try {
        return ini::readString(section, key, defaultText, buffer, size, path);
    } catch (...) {
        // Without memory to read the file, the call answers as for a missing file.
        try {
            return ini::readString(nullptr, nullptr, defaultText, buffer, size, nullptr);
        } catch (...) {
            return 1;
        }
    }
}

ZOMINI_API int32_t NETROV_CALL ZOMINI_IniReadInt(const char* section, const char* key, int32_t defaultValue,
                                                 const char* path) noexcept
{
    try {
        return ini::readInt(section, key, defaultValue, path);
    } catch (...) {
        return defaultValue;
    }
}

ZOMINI_API int32_t NETROV_CALL ZOMINI_IniWriteString(const char* section, const char* key, const char* value,
                                                     const char* path) noexcept
{
    try {
        return ini::writeString(section, key, value, path);
    } catch (...) {
        return -1;
    }
}

ZOMINI_API int32_t NETROV_CALL ZOMINI_IniWriteInt(const char* section, const char* key, int32_t value,
                                                  const char* path) noexcept
{
    try {
        return ini::writeInt(section, key, value, path);
    } catch (...) {
        return -1;
    }
}
