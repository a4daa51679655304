// Profile files read and written with the Windows profile rules (start-up file, menu texts, device list export).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netrov::platform {

// Files are read with readRegularFile (never blocking, regular files only,
// bounded in size) and written with replaceFile.
// Rules shared by the three calls: sections and keys match ignoring case,
// blanks around names (in the file and asked for) and values are trimmed, a value in matching quotes
// loses them, ";" starts a comment line. Lines end with LF or CR LF.

// The value of key in the first section named section, or fallback (with its
// trailing blanks trimmed) when the file, section or key is missing. A
// nonzero size cuts the result to size - 1 characters, as a buffer would.
std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    const std::string& path, size_t size = 0);

// The leading integer of the value (optional sign, decimal or 0x hexadecimal;
// no digits give 0), or fallback when the key is missing.
int32_t getPrivateProfileInt(std::string_view section, std::string_view key, int32_t fallback,
                             const std::string& path);

// Sets key to value in section, adding the section or key when missing. No
// key removes the whole section; a key without value removes that key. The
// file is rewritten with CR LF line ends through replaceFile, so a failed
// write leaves the old file. False when the file cannot be written, or exists
// but cannot be read (rewriting it would lose its contents). Removing from a
// file that does not exist succeeds.
bool writePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path);

// The same rules over file text already in memory; the calls above read or
// write the file and use these. text is the whole file; an empty text is an
// empty or missing file.

// The value of key in the first section named section, nullopt when absent.
std::optional<std::string> findProfileValue(std::string_view text, std::string_view section, std::string_view key);

// The integer reading of a value, as getPrivateProfileInt gives it.
int32_t profileIntValue(std::string_view value);

// The file text after the edit that writePrivateProfileString makes, every
// line ending in CR LF; nullopt when the edit changes nothing (the file is
// then left as it is).
std::optional<std::string> editProfileText(std::string_view text, std::string_view section,
                                           std::optional<std::string_view> key,
                                           std::optional<std::string_view> value);

}  // namespace netrov::platform
