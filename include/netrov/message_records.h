/* The message service's request and output records (TUVASRV_GetMsg). */
#ifndef NETROV_MESSAGE_RECORDS_H
#define NETROV_MESSAGE_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "device_records.h"
#include "export.h"
#include "option_value.h"

#define NETROV_MESSAGE_KEYS 4

/* One list of key values, matched against the "key1" to "key4" attributes
   of the document's "option" elements. */
typedef struct MessageKeyList {
    int32_t count;
    const OptionValue* values;  /* count records; may be null when count is 0 */
} MessageKeyList;

/* The first pass-through argument of TUVASRV_GetMsg; the second is the
   number of records in alerts. Owned by the caller, only read. */
typedef struct MessageRequest {
    int32_t reserved0;            /* not read */
    const DeviceStatus* alerts;   /* required */
    MessageKeyList keys[NETROV_MESSAGE_KEYS];
} MessageRequest;

/* Natural alignment, pointer-sized where a pointer is held. */
NETROV_STATIC_ASSERT(sizeof(MessageKeyList) == 2 * sizeof(void*), "MessageKeyList size");
NETROV_STATIC_ASSERT(offsetof(MessageRequest, alerts) == sizeof(void*), "alerts");
NETROV_STATIC_ASSERT(offsetof(MessageRequest, keys) == 2 * sizeof(void*), "keys");
NETROV_STATIC_ASSERT(sizeof(MessageRequest) == 10 * sizeof(void*), "MessageRequest size");

/* One per alert, 1028 bytes. Texts keep at most 255 characters. An alert
   that the document does not know leaves its record all zero. */
typedef struct MessageRecord {
    int32_t reserved0;
    char status[256];     /* the "stat" text: what happened */
    char recovery[256];   /* the "rcvr" text: what to do about it */
    char third[256];      /* always empty */
    char imagePath[256];  /* "<image directory>/<file>.jpg", or "./<file>.jpg" */
} MessageRecord;

NETROV_STATIC_ASSERT(sizeof(MessageRecord) == 1028, "MessageRecord size");
NETROV_STATIC_ASSERT(offsetof(MessageRecord, reserved0) == 0, "reserved0");
NETROV_STATIC_ASSERT(offsetof(MessageRecord, status) == 4, "status");
NETROV_STATIC_ASSERT(offsetof(MessageRecord, recovery) == 260, "recovery");
NETROV_STATIC_ASSERT(offsetof(MessageRecord, third) == 516, "third");
NETROV_STATIC_ASSERT(offsetof(MessageRecord, imagePath) == 772, "imagePath");

#endif
