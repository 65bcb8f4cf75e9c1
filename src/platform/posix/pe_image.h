// The resource directory of a PE image, read into a sorted index.  The whole
// directory is walked and checked when the module loads, so a malformed file
// is refused at LoadLibraryA and lookups afterwards cannot fail halfway.
#pragma once

#include "platform/win32_types.h"

#include <compare>
#include <cstddef>
#include <string>
#include <vector>

namespace kav::posix {

// A resource type or name: an integer id, or a string kept folded (upper
// case, UTF-16) so that equal keys are equal names without regard to case.
struct ResourceKey {
    bool isName = false;
    WORD id = 0;
    std::u16string name;
    auto operator<=>(const ResourceKey &) const = default;
};

// Key of a FindResourceA argument: MAKEINTRESOURCEA(id) or an ANSI string.
// False for NULL, which names nothing.
bool KeyFromArgument(LPCSTR arg, ResourceKey &key);

// One resource: where its bytes lie in the file.
struct ResourceEntry {
    ResourceKey type;
    ResourceKey name;
    DWORD offset;  // file offset of the data
    DWORD size;
};

class ResourceIndex {
public:
    // Null when the image holds no such resource.
    const ResourceEntry *Find(const ResourceKey &type, const ResourceKey &name) const;
    // True when entry points into this index (for handles handed back by callers).
    bool Owns(const ResourceEntry *entry) const;
    const std::vector<ResourceEntry> &Entries() const { return entries_; }

private:
    friend bool ParsePeImage(const BYTE *, size_t, ResourceIndex &);
    std::vector<ResourceEntry> entries_;  // sorted by (type, name), unique
};

// Reads the headers and the resource directory of a PE32 image held in
// [image, image + size).  False when anything lies outside the image, the
// headers are not PE32, or the directory is not a proper three-level tree.
bool ParsePeImage(const BYTE *image, size_t size, ResourceIndex &index);

}  // namespace kav::posix
