/* The front library's record of one transport service of a support package. */
#ifndef NETROV_SERVICE_RECORD_H
#define NETROV_SERVICE_RECORD_H

#include <stdint.h>

#include "device_identity.h"
#include "zomxml.h"

/* Owned by the front library and valid until TUVA_Free; handed to every
   TUVASRV_ entry point as its last argument. Null members are absent. */
typedef struct ServiceRecord {
    char* libraryFile;          /* library key of the transport */
    void* library;              /* loaded service library, or null */
    char* definitionFile;       /* definition key of the transport */
    ZomXmlDocument* document;   /* the opened definition document, or null */
    char* languageFile;         /* language key of the transport */
    char* imageDirectory;       /* "IMAGEDIR" of the package */
} ServiceRecord;

/* Every forwarded TUVA_ query: the device record and five pass-through
   arguments (as a rule two option words, an output array, its capacity in
   records and a pointer to the record count). */
typedef int32_t(NETROV_CALL* TuvaQueryFn)(DeviceIdentity* device, intptr_t option1,
                                          intptr_t option2, void* records,
                                          int32_t capacity, int32_t* count);

/* Every TUVASRV_ entry point: the same arguments and the service record. */
typedef int32_t(NETROV_CALL* TuvaServiceFn)(DeviceIdentity* device, intptr_t option1,
                                            intptr_t option2, void* records,
                                            int32_t capacity, int32_t* count,
                                            ServiceRecord* service);

#endif
