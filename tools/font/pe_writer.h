// Writes PE32 resource-only DLLs: the container of a speech font.  The file
// is what a Windows resource compiler and linker would make of the same
// resources: i386, a DLL with no code and no entry point, one ".rsrc"
// section, names stored upper case and sorted the way the loader searches
// them, one language (U.S. English) per resource.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace kav::font {

// A resource type or name: an integer id (1 to 65535) or a non-empty
// Windows-1252 string.  Implicit on purpose: Add(10, "NUMRULEPASSES", ...).
class ResourceId {
public:
    ResourceId(int id);                 // NOLINT(google-explicit-constructor)
    ResourceId(const char *name);       // NOLINT(google-explicit-constructor)
    ResourceId(const std::string &name);  // NOLINT(google-explicit-constructor)

    bool Valid() const { return valid_; }
    bool IsName() const { return isName_; }
    uint16_t Id() const { return id_; }
    const std::u16string &Name() const { return name_; }  // upper-cased UTF-16

    // Named entries before numbered ones, names by code unit, ids ascending:
    // the order of a resource directory.
    bool operator<(const ResourceId &other) const;

private:
    bool valid_ = false;
    bool isName_ = false;
    uint16_t id_ = 0;
    std::u16string name_;
};

class PeWriter {
public:
    // Adds one resource.  False, adding nothing, when the type or name is
    // not valid, the type already holds that name (names compare without
    // regard to case), a directory would pass 65535 entries, or the data
    // would pass 1 GiB in all.
    bool Add(const ResourceId &type, const ResourceId &name, std::span<const uint8_t> bytes);

    // The whole file.
    std::vector<uint8_t> Build() const;

    // Writes the file, replacing any old one whole; false when it cannot be
    // written completely.
    bool WriteFile(const std::string &path) const;

private:
    std::map<ResourceId, std::map<ResourceId, std::vector<uint8_t>>> types_;
    uint64_t totalBytes_ = 0;
};

}  // namespace kav::font
