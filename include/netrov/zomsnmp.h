/* zomsnmp: SNMPv1 message records, BER codec and UDP request engine. */
#ifndef NETROV_ZOMSNMP_H
#define NETROV_ZOMSNMP_H

#include <stddef.h>
#include <stdint.h>

#include "export.h"

#ifdef ZOMSNMP_BUILD
#  define ZOMSNMP_API NETROV_EXTERN_C NETROV_EXPORT
#else
#  define ZOMSNMP_API NETROV_EXTERN_C NETROV_IMPORT
#endif

#define SNMP_PDU_GET 0xA0
#define SNMP_PDU_GETNEXT 0xA1
#define SNMP_PDU_RESPONSE 0xA2
#define SNMP_PDU_SET 0xA3
#define SNMP_PDU_TRAP 0xA4

#define SNMP_TYPE_INTEGER 0x02
#define SNMP_TYPE_OCTETS 0x04
#define SNMP_TYPE_NULL 0x05
#define SNMP_TYPE_OID 0x06
#define SNMP_TYPE_IPADDRESS 0x40
#define SNMP_TYPE_COUNTER 0x41
#define SNMP_TYPE_GAUGE 0x42
#define SNMP_TYPE_TIMETICKS 0x43

#define SNMP_MAX_ARCS 128
#define SNMP_MAX_COMMUNITY 128
#define SNMP_VALUE_CAPACITY 1536
#define SNMP_DATAGRAM_SIZE 1536
#define SNMP_DEFAULT_COMMUNITY "tarpon"

/* A variable binding; owned by its SnmpMessage. */
typedef struct SnmpBinding {
    struct SnmpBinding* next;
    uint32_t* name;          /* arcs */
    int32_t nameLength;      /* number of arcs, at most 128 */
    uint8_t type;            /* BER tag of the value */
    uint8_t* value;          /* null when there is none */
    uint32_t valueLength;
} SnmpBinding;

/* The standard form; a decoded message belongs to whoever received it and is
   released with free_snmp_pdu. */
typedef struct SnmpMessage {
    int32_t version;               /* 0: SNMPv1 */
    uint8_t sourceAddress[4];      /* network order */
    char* community;               /* NUL-terminated */
    int32_t communityLength;
    uint8_t pduType;
    int32_t requestId;
    int32_t errorStatus;
    int32_t errorIndex;
    uint8_t agentAddress[4];       /* Trap only */
    uint32_t* enterprise;          /* Trap only */
    int32_t enterpriseLength;
    int32_t genericTrap;
    int32_t specificTrap;
    uint32_t timeStamp;
    SnmpBinding* variables;        /* in message order */
} SnmpMessage;

typedef struct SnmpSimpleBinding {
    char name[256];                /* dotted decimal, no leading dot */
    uint8_t type;                  /* 0 in a request: no value (sent as NULL) */
    uint8_t value[1536];
    int32_t valueLength;
} SnmpSimpleBinding;

NETROV_STATIC_ASSERT(sizeof(SnmpSimpleBinding) == 1800, "SnmpSimpleBinding size");
NETROV_STATIC_ASSERT(offsetof(SnmpSimpleBinding, name) == 0, "name");
NETROV_STATIC_ASSERT(offsetof(SnmpSimpleBinding, type) == 256, "type");
NETROV_STATIC_ASSERT(offsetof(SnmpSimpleBinding, value) == 257, "value");
NETROV_STATIC_ASSERT(offsetof(SnmpSimpleBinding, valueLength) == 1796, "valueLength");

/* The simple form; the caller owns it and its binding array. */
typedef struct SnmpSimpleMessage {
    uint8_t sourceAddress[4];      /* network order */
    uint8_t pduType;
    char community[128];           /* empty: the default community */
    int32_t errorStatus;
    int32_t errorIndex;
    int32_t variableCount;         /* request: bindings; reply: capacity */
    SnmpSimpleBinding* variables;
} SnmpSimpleMessage;

/* Replies of a collecting request, in arrival order. */
typedef struct SnmpMessageList {
    struct SnmpMessageList* next;
    SnmpMessage* message;
} SnmpMessageList;

/* Sends request to host (dotted address or name) on port 161 and returns the
   reply, or null. The caller frees the reply with free_snmp_pdu. */
ZOMSNMP_API SnmpMessage* NETROV_CALL snmp_request(const char* host, int32_t timeout,
                                                  const SnmpMessage* request) NETROV_NOEXCEPT;
ZOMSNMP_API int32_t NETROV_CALL snmp_request_simple(const char* host, int32_t timeout,
                                                    SnmpSimpleMessage* request,
                                                    SnmpSimpleMessage* reply) NETROV_NOEXCEPT;
/* Sends request to host, or to every local broadcast address, and collects
   every reply within the time-out; null when none was decoded. */
ZOMSNMP_API SnmpMessageList* NETROV_CALL multi_snmp_request(const char* host, int32_t timeout,
                                                            const SnmpMessage* request) NETROV_NOEXCEPT;
ZOMSNMP_API int32_t NETROV_CALL multi_snmp_request_simple(const char* host, int32_t timeout,
                                                          SnmpSimpleMessage* request,
                                                          SnmpSimpleMessage* replies,
                                                          int32_t capacity,
                                                          int32_t* count) NETROV_NOEXCEPT;
/* Both accept null. */
ZOMSNMP_API void NETROV_CALL free_snmp_pdu(SnmpMessage* message) NETROV_NOEXCEPT;
ZOMSNMP_API void NETROV_CALL free_snmp_pdu_list(SnmpMessageList* list) NETROV_NOEXCEPT;
/* Decodes one datagram; sourceAddress is in network order. */
ZOMSNMP_API SnmpMessage* NETROV_CALL snmp_parse(const uint8_t* data, int32_t length,
                                                uint32_t sourceAddress) NETROV_NOEXCEPT;
/* Encodes message into buffer; *length is the buffer size in and the
   message size out. Returns 0 or -1. */
ZOMSNMP_API int32_t NETROV_CALL snmp_build(const SnmpMessage* message, uint8_t* buffer,
                                           int32_t* length) NETROV_NOEXCEPT;
/* Builds a request from the simple form; writes the default community into
   an empty community field. */
ZOMSNMP_API SnmpMessage* NETROV_CALL snmp_simple2standard(SnmpSimpleMessage* request) NETROV_NOEXCEPT;
ZOMSNMP_API int32_t NETROV_CALL snmp_standard2simple(const SnmpMessage* reply,
                                                     SnmpSimpleMessage* simple) NETROV_NOEXCEPT;

/* Beyond the original ten exports: SNMPv3 engines that a discovery probe saw,
   kept in this library for two minutes by address (network order), so that
   a reading by profile soon after, in another module of the process, needs
   no discovery of its own. snmp_note_engine takes an identifier of 5 to 32
   bytes; snmp_noted_engine writes the identifier (up to capacity bytes), its
   boots and its time moved on by the seconds since, and returns the
   identifier's length, or 0 when none is kept. Builds without SNMPv3 keep
   nothing. */
ZOMSNMP_API void NETROV_CALL snmp_note_engine(uint32_t address, const uint8_t* engineId, int32_t length,
                                              uint32_t boots, uint32_t time) NETROV_NOEXCEPT;
ZOMSNMP_API int32_t NETROV_CALL snmp_noted_engine(uint32_t address, uint8_t* engineId, int32_t capacity,
                                                  uint32_t* boots, uint32_t* time) NETROV_NOEXCEPT;
ZOMSNMP_API void NETROV_CALL snmp_forget_noted_engines(void) NETROV_NOEXCEPT;

/* The deadline of the device read running on the calling thread, kept in
   this library so that every module of the process sees it: a service's
   queries, their requests and their table walks end by it, whatever their
   own limits. snmp_set_read_deadline sets it milliseconds from now (0: it
   has passed) or, with a negative value, clears it; snmp_read_deadline_left
   gives the milliseconds left (0 once passed), or -1 when none is set.
   Other threads are not affected. */
ZOMSNMP_API void NETROV_CALL snmp_set_read_deadline(int32_t milliseconds) NETROV_NOEXCEPT;
ZOMSNMP_API int32_t NETROV_CALL snmp_read_deadline_left(void) NETROV_NOEXCEPT;

#endif
