// The registry as a tree read from a registry-export text file.  Parsing
// takes the file's bytes and never fails as a whole: lines it cannot use are
// skipped with one warning each, "kavrel: registry FILE:LINE: why".
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kav::posix {

struct RegistryValue {
    std::string name;  // "" is the key's default value
    std::string data;  // a string value, without its terminating 0
};

struct RegistryKey {
    std::string name;
    std::vector<std::unique_ptr<RegistryKey>> subkeys;  // in the order the file names them
    std::vector<RegistryValue> values;

    // Names are compared without regard to case (Windows-1252).
    const RegistryKey *FindSubkey(std::string_view name) const;
    const RegistryValue *FindValue(std::string_view name) const;
};

// Parses a file in the Windows registry-export format (header "REGEDIT4" or
// "Windows Registry Editor Version 5.00"; UTF-8 or UTF-16LE with a byte order
// mark, or plain ANSI).  Returns HKEY_LOCAL_MACHINE with what the file puts
// under it.  Warnings go to `warnings` (may be null) naming `fileName`.
std::unique_ptr<RegistryKey> ParseRegistry(std::string_view text, const char *fileName, std::FILE *warnings);

// True when two names are equal without regard to case.
bool SameRegistryName(std::string_view a, std::string_view b);

}  // namespace kav::posix
