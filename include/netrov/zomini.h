/* zomini: reads and writes sectioned settings files with exact matching. */
#ifndef NETROV_ZOMINI_H
#define NETROV_ZOMINI_H

#include <stdint.h>

#include "export.h"

#ifdef ZOMINI_BUILD
#  define ZOMINI_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define ZOMINI_API NETROV_EXTERN_C NETROV_IMPORT
#endif

/* Every call reads the file afresh; paths are used as given. Sections and
   keys match exactly and case-sensitively. */

/* Copies the names of all sections, each NUL-terminated, into buffer; returns
   the bytes the whole list needs. */
ZOMINI_API int32_t NETROV_CALL ZOMINI_IniEnumSections(char* buffer, uint32_t size,
                                                      const char* path) NETROV_NOEXCEPT;
/* Copies the value (or defaultText, which must not be null); returns the
   source length plus one. */
ZOMINI_API int32_t NETROV_CALL ZOMINI_IniReadString(const char* section, const char* key,
                                                    const char* defaultText, char* buffer,
                                                    uint32_t size, const char* path) NETROV_NOEXCEPT;
ZOMINI_API int32_t NETROV_CALL ZOMINI_IniReadInt(const char* section, const char* key,
                                                 int32_t defaultValue, const char* path) NETROV_NOEXCEPT;
/* Writes return 0, or -1 with the file left as it was. */
ZOMINI_API int32_t NETROV_CALL ZOMINI_IniWriteString(const char* section, const char* key,
                                                     const char* value, const char* path) NETROV_NOEXCEPT;
ZOMINI_API int32_t NETROV_CALL ZOMINI_IniWriteInt(const char* section, const char* key,
                                                  int32_t value, const char* path) NETROV_NOEXCEPT;

#endif
