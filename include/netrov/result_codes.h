/* Result codes of the TUVA_ and TUVASRV_ queries. */
#ifndef NETROV_RESULT_CODES_H
#define NETROV_RESULT_CODES_H

/* Codes of the device services. */
#define NETROV_OK 0
#define NETROV_NO_MEMORY 4         /* heap exhausted (also: search scratch array) */
#define NETROV_BAD_ARGUMENT 5      /* no service record; search without target */
#define NETROV_NOT_ENCODABLE 6     /* the request failed to encode */
#define NETROV_NOT_DEFINED 8       /* the definition document defines none of the keys */
#define NETROV_NO_VALUE 11         /* the reply held no usable value */
#define NETROV_NOT_SNMP 13         /* the device identity is not an SNMP device */
#define NETROV_OTHER_TRANSPORT 13  /* the device is not served by this transport */
#define NETROV_MODEL_NOT_FOUND 14  /* TUVA_GetModelNameFromSysOID found no model */
#define NETROV_NO_REPLY 100        /* no reply within the time-out */
#define NETROV_SET_UNCONFIRMED 101 /* a set operation was not confirmed */

/* SNMPv3 with the user-based security model: what the agent reported, or why its reply was dropped. */
#define NETROV_V3_UNKNOWN_USER 102         /* the agent knows no such user */
#define NETROV_V3_WRONG_DIGEST 103         /* a digest did not match: a wrong authentication pass phrase */
#define NETROV_V3_UNSUPPORTED_LEVEL 104    /* the user does not support the security level asked */
#define NETROV_V3_DECRYPTION_ERROR 105     /* a scoped PDU did not decrypt: a wrong privacy pass phrase or cipher */
#define NETROV_V3_UNKNOWN_ENGINE 106       /* the engine identifier is not the agent's */
#define NETROV_V3_NOT_IN_TIME_WINDOW 107   /* boots and time stayed out of the window after resynchronising */
#define NETROV_V3_UNKNOWN_CONTEXT 108      /* the agent knows no such context name */
#define NETROV_V3_UNAVAILABLE 109          /* this build has no SNMPv3 (no libcrypto) */
#define NETROV_V3_UNKNOWN_PROFILE 110      /* the profile file has no profile of the name the device carries */
#define NETROV_V3_PROFILE_REFUSED 111      /* the profile file is refused (readable by others, or a bad line) */

/* Codes added by the front library. */
#define NETROV_NO_SERVICE (-1)     /* no package or transport serves the device */
#define NETROV_NO_LIBRARY 2        /* the service library is not loaded */
#define NETROV_NO_ENTRY_POINT 3    /* the service library lacks the entry point */

#endif
