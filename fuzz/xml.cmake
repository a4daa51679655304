# Fuzz target of the XML library.
netrov_add_fuzzer(zomxml_load SOURCES zomxml_load.cpp LINK zomxml_impl)
