// PE32 headers and the resource directory tree.  Every read goes through a
// bounds-checked view; offsets are carried in 64 bits so that no sum of two
// 32-bit fields can wrap.  The tree is walked exactly three levels deep
// (type, name, language), a directory may be reached only once (so a cycle
// or a shared subtree is refused), and the entries of all directories
// together may not outnumber the 8-byte slots of the section, which bounds
// the work by the file's size.
#include "platform/posix/pe_image.h"

#include "platform/posix/resource_names.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_set>

namespace kav::posix {

namespace {

constexpr WORD kDosMagic = 0x5A4D;           // "MZ"
constexpr DWORD kPeSignature = 0x00004550;   // "PE\0\0"
constexpr WORD kPe32Magic = 0x010B;
constexpr DWORD kHighBit = 0x80000000u;      // named entry / subdirectory flag
constexpr WORD kMaxSections = 96;            // the loader's own limit
constexpr uint64_t kResourceDirIndex = 2;

class View {
public:
    View(const BYTE *data, uint64_t size) : data_(data), size_(size) {}
    bool Has(uint64_t off, uint64_t len) const { return off <= size_ && len <= size_ - off; }
    bool U16(uint64_t off, WORD &v) const {
        if (!Has(off, 2)) return false;
        v = static_cast<WORD>(data_[off] | data_[off + 1] << 8);
        return true;
    }
    bool U32(uint64_t off, DWORD &v) const {
        WORD lo, hi;
        if (!U16(off, lo) || !U16(off + 2, hi)) return false;
        v = lo | static_cast<DWORD>(hi) << 16;
        return true;
    }

private:
    const BYTE *data_;
    uint64_t size_;
};

// A section's raw data: the bytes a loader would map at va.  Raw padding
// past the virtual size is not part of the image.
struct Section {
    DWORD va;
    DWORD fileOffset;
    DWORD length;
};

// File offset of [rva, rva + len) when it lies inside one section.
bool Translate(const std::vector<Section> &sections, DWORD rva, DWORD len, DWORD &fileOffset) {
    for (const Section &s : sections) {
        if (rva >= s.va && uint64_t{rva} - s.va + len <= s.length) {
            fileOffset = s.fileOffset + (rva - s.va);
            return true;
        }
    }
    return false;
}

class TreeWalker {
public:
    TreeWalker(const View &rsrc, uint64_t rsrcSize, const std::vector<Section> &sections,
               std::vector<ResourceEntry> &out)
        : rsrc_(rsrc), slotsLeft_(rsrcSize / 8), sections_(sections), out_(out) {}

    bool Walk() {
        WORD types;
        if (!Directory(0, types)) return false;
        for (WORD t = 0; t < types; ++t) {
            ResourceKey type;
            DWORD namesDir;
            WORD names;
            if (!Entry(0, t, true, type, namesDir) || !Directory(namesDir, names)) return false;
            for (WORD n = 0; n < names; ++n) {
                ResourceEntry entry{type, {}, 0, 0};
                DWORD langDir;
                if (!Entry(namesDir, n, true, entry.name, langDir) || !Languages(langDir, entry))
                    return false;
                out_.push_back(std::move(entry));
            }
        }
        return true;
    }

private:
    // Every language of a name is checked; the first listed is the one used
    // (in a sorted directory, the lowest language id).
    bool Languages(DWORD dir, ResourceEntry &entry) {
        WORD langs;
        if (!Directory(dir, langs) || langs == 0) return false;
        for (WORD l = 0; l < langs; ++l) {
            ResourceKey lang;
            DWORD dataEntry, rva, size, fileOffset;
            if (!Entry(dir, l, false, lang, dataEntry) || !rsrc_.U32(dataEntry, rva) ||
                !rsrc_.U32(uint64_t{dataEntry} + 4, size) || !rsrc_.Has(dataEntry, 16) ||
                !Translate(sections_, rva, size, fileOffset))
                return false;
            if (l == 0) {
                entry.offset = fileOffset;
                entry.size = size;
            }
        }
        return true;
    }

    bool Directory(DWORD off, WORD &count) {
        WORD named, ids;
        if (!rsrc_.U16(uint64_t{off} + 12, named) || !rsrc_.U16(uint64_t{off} + 14, ids))
            return false;
        if (!seen_.insert(off).second) return false;
        uint64_t total = uint64_t{named} + ids;
        if (total > slotsLeft_ || total > 0xFFFF || !rsrc_.Has(uint64_t{off} + 16, total * 8))
            return false;
        slotsLeft_ -= total;
        count = static_cast<WORD>(total);
        return true;
    }

    bool Entry(DWORD dir, DWORD i, bool wantSubdir, ResourceKey &key, DWORD &target) {
        uint64_t at = uint64_t{dir} + 16 + uint64_t{i} * 8;
        DWORD nameField, offsetField;
        if (!rsrc_.U32(at, nameField) || !rsrc_.U32(at + 4, offsetField)) return false;
        if (((offsetField & kHighBit) != 0) != wantSubdir) return false;
        target = offsetField & ~kHighBit;
        return Key(nameField, key);
    }

    bool Key(DWORD field, ResourceKey &key) {
        if ((field & kHighBit) == 0) {
            if (field > 0xFFFF) return false;
            key.id = static_cast<WORD>(field);
            return true;
        }
        uint64_t at = field & ~kHighBit;
        WORD length;
        if (!rsrc_.U16(at, length) || !rsrc_.Has(at + 2, uint64_t{length} * 2)) return false;
        key.isName = true;
        key.name.resize(length);
        for (WORD i = 0; i < length; ++i) {
            WORD unit = 0;
            rsrc_.U16(at + 2 + 2 * uint64_t{i}, unit);
            key.name[i] = FoldResourceChar(unit);
        }
        return true;
    }

    const View &rsrc_;
    uint64_t slotsLeft_;
    const std::vector<Section> &sections_;
    std::vector<ResourceEntry> &out_;
    std::unordered_set<DWORD> seen_;
};

bool ReadSections(const View &file, uint64_t table, WORD count, uint64_t fileSize,
                  std::vector<Section> &sections) {
    if (count > kMaxSections || !file.Has(table, uint64_t{count} * 40)) return false;
    for (WORD i = 0; i < count; ++i) {
        uint64_t at = table + uint64_t{i} * 40;
        DWORD virtualSize = 0, va = 0, rawSize = 0, rawOffset = 0;
        file.U32(at + 8, virtualSize);
        file.U32(at + 12, va);
        file.U32(at + 16, rawSize);
        file.U32(at + 20, rawOffset);
        DWORD length = (virtualSize != 0 && virtualSize < rawSize) ? virtualSize : rawSize;
        // A section whose raw data runs past the file cannot be read at all.
        if (uint64_t{rawOffset} + length <= fileSize) sections.push_back({va, rawOffset, length});
    }
    return true;
}

bool KeyLess(const ResourceEntry &a, const ResourceEntry &b) {
    if (a.type != b.type) return a.type < b.type;
    return a.name < b.name;
}

}  // namespace

bool KeyFromArgument(LPCSTR arg, ResourceKey &key) {
    if (arg == nullptr) return false;
    key = ResourceKey{};
    if (IS_INTRESOURCE(arg)) {
        key.id = static_cast<WORD>(reinterpret_cast<uintptr_t>(arg));
    } else {
        key.isName = true;
        key.name = ResourceNameFromAnsi(arg);
    }
    return true;
}

const ResourceEntry *ResourceIndex::Find(const ResourceKey &type, const ResourceKey &name) const {
    ResourceEntry probe{type, name, 0, 0};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), probe, KeyLess);
    if (it == entries_.end() || it->type != type || it->name != name) return nullptr;
    return &*it;
}

bool ResourceIndex::Owns(const ResourceEntry *entry) const {
    auto at = reinterpret_cast<uintptr_t>(entry);
    auto first = reinterpret_cast<uintptr_t>(entries_.data());
    return at >= first && at - first < entries_.size() * sizeof(ResourceEntry) &&
           (at - first) % sizeof(ResourceEntry) == 0;
}

bool ParsePeImage(const BYTE *image, size_t size, ResourceIndex &index) {
    View file(image, size);
    WORD magic, sectionCount, optionalSize, optionalMagic;
    DWORD peOffset, signature;
    if (!file.U16(0, magic) || magic != kDosMagic || !file.U32(0x3C, peOffset)) return false;
    if (!file.U32(peOffset, signature) || signature != kPeSignature) return false;
    uint64_t coff = uint64_t{peOffset} + 4, optional = coff + 20;
    if (!file.U16(coff + 2, sectionCount) || !file.U16(coff + 16, optionalSize) ||
        !file.U16(optional, optionalMagic) || optionalMagic != kPe32Magic || optionalSize < 96 ||
        !file.Has(optional, optionalSize))
        return false;

    std::vector<Section> sections;
    if (!ReadSections(file, optional + optionalSize, sectionCount, size, sections)) return false;

    DWORD dirCount = 0, rsrcRva = 0;
    file.U32(optional + 92, dirCount);
    if (dirCount > kResourceDirIndex && optionalSize >= 96 + 8 * (kResourceDirIndex + 1))
        file.U32(optional + 96 + 8 * kResourceDirIndex, rsrcRva);
    index.entries_.clear();
    if (rsrcRva == 0) return true;  // a module without resources

    // The directory reaches from its start to the end of its section.
    for (const Section &s : sections) {
        if (rsrcRva < s.va || rsrcRva - s.va >= s.length) continue;
        uint64_t start = s.fileOffset + uint64_t{rsrcRva - s.va};
        uint64_t length = s.length - (rsrcRva - s.va);
        View rsrc(image + start, length);
        std::vector<ResourceEntry> entries;
        if (!TreeWalker(rsrc, length, sections, entries).Walk()) return false;
        // Two names that differ only in case: the first one wins, as it would
        // in a directory the loader searches front to back.
        std::stable_sort(entries.begin(), entries.end(), KeyLess);
        auto same = [](const ResourceEntry &a, const ResourceEntry &b) {
            return !KeyLess(a, b) && !KeyLess(b, a);
        };
        entries.erase(std::unique(entries.begin(), entries.end(), same), entries.end());
        index.entries_ = std::move(entries);
        return true;
    }
    return false;
}

}  // namespace kav::posix
