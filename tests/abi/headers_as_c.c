/* Every public header, compiled as C: the interface stays usable from C. */
#include "netrov/device_identity.h"
#include "netrov/consumable_records.h"
#include "netrov/device_records.h"
#include "netrov/engine_records.h"
#include "netrov/option_value.h"
#include "netrov/network_records.h"
#include "netrov/export.h"
#include "netrov/message_records.h"
#include "netrov/job_records.h"
#include "netrov/result_codes.h"
#include "netrov/service_record.h"
#include "netrov/tuva.h"
#include "netrov/tuva_queries.h"
#include "netrov/zomini.h"
#include "netrov/zomsnmp.h"
#include "netrov/zomxml.h"

int netrovHeadersCompileAsC(void) { DeviceIdentity a, b; memset(&a, 0, sizeof a); b = a; return deviceIdentityEqual(&a, &b); }
