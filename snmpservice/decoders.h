// Small value decoders shared by the queries: hexadecimal texts, object
// identifier texts, unit scaling and big-endian byte fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace netrov::tessel {

// Pairs of hexadecimal digits to bytes, high digit first; a character that
// is not a digit counts as 0, an odd last digit gives the high half. Returns
// -1 when the text needs more than capacity bytes, else 0 with the count.
int hexPairsToBytes(std::string_view text, uint8_t* out, size_t capacity, size_t* count);

// Reads a dotted decimal identifier ("1.3.6.1", a leading dot allowed) into
// arcs; false for anything else: empty arcs, other characters, an arc above
// 2^32-1, more than 128 arcs.
bool parseOid(std::string_view text, std::vector<uint32_t>* arcs);

// The identifier a definition text names, in plain dotted form: each run of
// decimal digits is one arc, any other character separates arcs. Empty when
// the text holds no digit, an arc above 2^32-1, more than 128 arcs, or more
// than a request slot takes (255 characters).
std::string normalisedOid(std::string_view text);

// Orders two dotted identifiers arc by arc (-1, 0, 1); an unreadable text
// orders before every readable one.
int compareOids(std::string_view a, std::string_view b);

// True when identifier is base itself or lies below it (whole arcs).
bool identifierUnder(std::string_view identifier, std::string_view base);

// The number after the last "." (0 when there is none or it is no number).
uint32_t lastArcOf(std::string_view identifier);

// Decimal conversion of a conversion table's output: leading blanks, an
// optional sign, digits up to the first other character; no digit gives 0;
// values beyond the 32-bit range saturate.
int32_t decimalValue(const char* text);

double scaleByUnit(double number, int32_t unit);
double scaleLength(double number, int32_t unit);

// 2 or 4 bytes, most significant first; 0 for any other length.
uint32_t readBigEndian(const uint8_t* bytes, size_t length);
// Up to 4 bytes placed from the most significant byte down.
uint32_t readBigEndianHigh(const uint8_t* bytes, size_t length);

// A BITS value (hrPrinterDetectedErrorState) as a number: named bit n, the
// first octet's most significant bit being n = 0, becomes 1u << n. Only the
// first two octets count, the named bits of that object; a shorter value
// leaves the missing bits clear.
uint32_t namedBits(const uint8_t* bytes, size_t length);

}  // namespace netrov::tessel
