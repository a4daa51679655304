/* The size of every public record and the offset and size of every field, as
   the compiler lays them out, for comparing targets.

   The table sits in its own section of the object file, so that it can be
   read with objcopy for a target whose programs cannot run here. main()
   prints the same values computed apart from the table, so that where the
   program runs, the extraction itself is checked. record_layout_table.h is
   written by record_layout.py. */
#include <stddef.h>
#include <stdint.h>

#include "record_layout_table.h"

/* 96 bytes with no padding on any target; values are little-endian on every
   target compared here. */
typedef struct LayoutEntry {
    char key[92];
    uint32_t value;
} LayoutEntry;

#define COUNT_RECORD(T) +1
#define COUNT_FIELD(T, f) +2
#define ENTRY_RECORD(T) {"sizeof " #T, sizeof(T)},
#define ENTRY_FIELD(T, f) \
    {"offsetof " #T "." #f, offsetof(T, f)}, {"sizeof " #T "." #f, sizeof(((T*)0)->f)},

/* The first entry counts the ones after it. */
__attribute__((used, section(".nrlay"))) const LayoutEntry netrovRecordLayout[] = {
    {"layout entries", 1 NETROV_LAYOUT_RECORDS(COUNT_RECORD, COUNT_FIELD)},
    {"sizeof void*", sizeof(void*)},
    NETROV_LAYOUT_RECORDS(ENTRY_RECORD, ENTRY_FIELD)
};

#ifndef NETROV_LAYOUT_TABLE_ONLY
#include <stdio.h>

#define PRINT_RECORD(T) printf("sizeof %s = %lu\n", #T, (unsigned long)sizeof(T));
#define PRINT_FIELD(T, f)                                                         \
    printf("offsetof %s.%s = %lu\n", #T, #f, (unsigned long)offsetof(T, f));      \
    printf("sizeof %s.%s = %lu\n", #T, #f, (unsigned long)sizeof(((T*)0)->f));

int main(void)
{
    printf("sizeof void* = %lu\n", (unsigned long)sizeof(void*));
    NETROV_LAYOUT_RECORDS(PRINT_RECORD, PRINT_FIELD)
    return 0;
}
#endif
