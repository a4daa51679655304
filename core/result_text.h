// Words for the result codes of the front library's queries, shared by every program that shows them.
#pragma once

#include <cstdint>
#include <string>

namespace netrov::core {

// What a query's result means, in a few words: "done" for NETROV_OK,
// "failed" for a code the table does not know.
const char* resultWords(int32_t result);

// Why a setting did not take, in a few words: "" for NETROV_OK, the code's
// number for one the table does not know.
std::string setResultWords(int32_t result);

}  // namespace netrov::core
