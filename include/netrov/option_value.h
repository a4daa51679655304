/* OptionValue: one raw value of a device option, with the kind code that says how to read it. */
#ifndef NETROV_OPTION_VALUE_H
#define NETROV_OPTION_VALUE_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

/* Kind codes of OptionValue.kind. */
#define NETROV_OPTION_INT32 1    /* the first four value bytes, signed */
#define NETROV_OPTION_UINT32 2   /* the first four value bytes, unsigned */
#define NETROV_OPTION_OCTETS 3   /* length bytes of text or octets */
#define NETROV_OPTION_OID 4      /* length / 4 arcs of 32 bits */
#define NETROV_OPTION_IPV4 5     /* four address bytes */

/* 268 bytes. Numbers and arcs are host-order 32-bit values in the value
   bytes; length counts the bytes used (at most 255). */
typedef struct OptionValue {
    int32_t reserved0;
    uint8_t present;
    uint8_t kind;
    uint8_t value[255];
    uint8_t padding0;
    int32_t length;
} OptionValue;

NETROV_STATIC_ASSERT(sizeof(OptionValue) == 268, "OptionValue size");
NETROV_STATIC_ASSERT(offsetof(OptionValue, reserved0) == 0, "reserved0");
NETROV_STATIC_ASSERT(offsetof(OptionValue, present) == 4, "present");
NETROV_STATIC_ASSERT(offsetof(OptionValue, kind) == 5, "kind");
NETROV_STATIC_ASSERT(offsetof(OptionValue, value) == 6, "value");
NETROV_STATIC_ASSERT(offsetof(OptionValue, length) == 264, "length");

#endif
