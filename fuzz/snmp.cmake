# zomsnmp: the datagram decoder, alone and followed by the simple-form conversion;
# SNMPv2c through the message layer and the GetBulk reply check.
netrov_add_fuzzer(snmp_parse SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/snmp_parse.cpp" LINK zomsnmp_impl)
netrov_add_fuzzer(snmp_standard2simple SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/snmp_standard2simple.cpp" LINK zomsnmp_impl)
netrov_add_fuzzer(snmp_v2c SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/snmp_v2c.cpp" LINK zomsnmp_impl)
# SNMPv3 with the user-based security model, where libcrypto is found.
if(NETROV_HAVE_USM)
  netrov_add_fuzzer(snmp_v3 SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/snmp_v3.cpp" LINK zomsnmp_impl)
endif()
