# Fuzz target of the settings file library.
netrov_add_fuzzer(zomini_read SOURCES zomini_read.cpp LINK zomini_impl)
