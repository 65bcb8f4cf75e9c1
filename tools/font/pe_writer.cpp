// PE32 resource-only DLL writer.  Fixed header layout: a bare DOS header,
// the PE headers at 0x40, one section table entry, all within the first
// file-alignment unit; the ".rsrc" section follows at RVA 0x1000.  Within
// the section: the root directory, the type directories, one language
// directory and one data entry per resource, the name strings, then the
// data, each item 8-byte aligned.  Nothing depends on the clock, so the
// same resources always give the same bytes.
#include "pe_writer.h"

#include "platform/posix/resource_names.h"

#include <filesystem>
#include <fstream>

namespace kav::font {

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kRsrcRva = 0x1000;
constexpr uint32_t kPeOffset = 0x40;
constexpr uint32_t kOptionalOffset = kPeOffset + 24;
constexpr uint32_t kOptionalSize = 224;
constexpr uint32_t kSectionTable = kOptionalOffset + kOptionalSize;
constexpr uint32_t kHeadersSize = kFileAlignment;
constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kLanguage = 0x0409;  // U.S. English, a resource compiler's default
constexpr uint64_t kMaxTotalBytes = 1u << 30;
constexpr size_t kMaxEntries = 0xFFFF;

uint32_t Align(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

void Put16(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// The image checksum the Windows loader checks for drivers: a folded 16-bit
// sum of the file with the checksum field taken as zero, plus the length.
uint32_t ImageChecksum(const std::vector<uint8_t> &f, size_t fieldAt) {
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < f.size(); i += 2) {
        if (i == fieldAt || i == fieldAt + 2) continue;
        sum += f[i] | f[i + 1] << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + f.size());
}

using Names = std::map<ResourceId, std::vector<uint8_t>>;
using Types = std::map<ResourceId, Names>;

template <typename Children>
void PutDirectory(std::vector<uint8_t> &b, uint32_t at, const Children &children) {
    uint32_t named = 0;
    for (const auto &child : children) named += child.first.IsName() ? 1 : 0;
    Put16(b, at + 12, named);
    Put16(b, at + 14, static_cast<uint32_t>(children.size()) - named);
}

std::vector<uint8_t> ResourceSection(const Types &types) {
    uint32_t at = 16 + 8 * static_cast<uint32_t>(types.size());
    std::vector<uint32_t> typeDirs;
    std::map<std::u16string, uint32_t> strings;
    size_t leaves = 0;
    for (const auto &[type, names] : types) {
        typeDirs.push_back(at);
        at += 16 + 8 * static_cast<uint32_t>(names.size());
        leaves += names.size();
        if (type.IsName()) strings.emplace(type.Name(), 0);
        for (const auto &entry : names)
            if (entry.first.IsName()) strings.emplace(entry.first.Name(), 0);
    }
    const uint32_t langDirs = at, dataEntries = at + 24 * static_cast<uint32_t>(leaves);
    at = dataEntries + 16 * static_cast<uint32_t>(leaves);
    for (auto &[text, offset] : strings) {
        offset = at;
        at += 2 + 2 * static_cast<uint32_t>(text.size());
    }
    std::vector<uint32_t> dataOffsets;
    at = Align(at, 8);
    for (const auto &[type, names] : types) {
        for (const auto &entry : names) {
            dataOffsets.push_back(at);
            at = Align(at + static_cast<uint32_t>(entry.second.size()), 8);
        }
    }

    std::vector<uint8_t> out(at);
    auto nameField = [&](const ResourceId &id) {
        return id.IsName() ? kSubdirectory | strings.at(id.Name()) : id.Id();
    };
    PutDirectory(out, 0, types);
    size_t t = 0, leaf = 0;
    for (const auto &[type, names] : types) {
        Put32(out, 16 + 8 * t, nameField(type));
        Put32(out, 16 + 8 * t + 4, kSubdirectory | typeDirs[t]);
        PutDirectory(out, typeDirs[t], names);
        size_t n = 0;
        for (const auto &[name, data] : names) {
            uint32_t slot = typeDirs[t] + 16 + 8 * static_cast<uint32_t>(n++);
            uint32_t lang = langDirs + 24 * static_cast<uint32_t>(leaf);
            uint32_t entry = dataEntries + 16 * static_cast<uint32_t>(leaf);
            Put32(out, slot, nameField(name));
            Put32(out, slot + 4, kSubdirectory | lang);
            Put16(out, lang + 14, 1);
            Put32(out, lang + 16, kLanguage);
            Put32(out, lang + 20, entry);
            Put32(out, entry, kRsrcRva + dataOffsets[leaf]);
            Put32(out, entry + 4, static_cast<uint32_t>(data.size()));
            std::copy(data.begin(), data.end(), out.begin() + dataOffsets[leaf]);
            ++leaf;
        }
        ++t;
    }
    for (const auto &[text, offset] : strings) {
        Put16(out, offset, static_cast<uint32_t>(text.size()));
        for (size_t i = 0; i < text.size(); ++i) Put16(out, offset + 2 + 2 * i, text[i]);
    }
    return out;
}

}  // namespace

ResourceId::ResourceId(int id) : valid_(id >= 1 && id <= 0xFFFF), id_(static_cast<uint16_t>(id)) {}

ResourceId::ResourceId(const char *name) : ResourceId(std::string(name != nullptr ? name : "")) {}

ResourceId::ResourceId(const std::string &name)
    : valid_(!name.empty() && name.size() <= 0xFFFF && name.find('\0') == std::string::npos),
      isName_(true),
      name_(kav::posix::ResourceNameFromAnsi(name.c_str())) {}

bool ResourceId::operator<(const ResourceId &other) const {
    if (isName_ != other.isName_) return isName_;
    return isName_ ? name_ < other.name_ : id_ < other.id_;
}

bool PeWriter::Add(const ResourceId &type, const ResourceId &name, std::span<const uint8_t> bytes) {
    if (!type.Valid() || !name.Valid() || totalBytes_ + bytes.size() > kMaxTotalBytes) return false;
    // A directory counts its entries in 16 bits.
    auto names = types_.find(type);
    if (names == types_.end()) {
        if (types_.size() >= kMaxEntries) return false;
        names = types_.emplace(type, Names{}).first;
    }
    if (names->second.size() >= kMaxEntries ||
        !names->second.emplace(name, std::vector<uint8_t>(bytes.begin(), bytes.end())).second)
        return false;
    totalBytes_ += bytes.size();
    return true;
}

std::vector<uint8_t> PeWriter::Build() const {
    const std::vector<uint8_t> rsrc = ResourceSection(types_);
    const auto rsrcSize = static_cast<uint32_t>(rsrc.size());
    const uint32_t rawSize = Align(rsrcSize, kFileAlignment);
    std::vector<uint8_t> f(kHeadersSize + rawSize);

    Put16(f, 0, 0x5A4D);  // "MZ"
    Put32(f, 0x3C, kPeOffset);
    Put32(f, kPeOffset, 0x4550);  // "PE\0\0"
    const uint32_t coff = kPeOffset + 4;
    Put16(f, coff, 0x014C);  // i386
    Put16(f, coff + 2, 1);   // one section
    Put16(f, coff + 16, kOptionalSize);
    Put16(f, coff + 18, 0x2102);  // executable image, 32-bit machine, DLL

    const uint32_t o = kOptionalOffset;
    Put16(f, o, 0x010B);  // PE32
    Put32(f, o + 8, rawSize);  // initialised data
    Put32(f, o + 20, kRsrcRva);  // base of code (there is none)
    Put32(f, o + 24, kRsrcRva);  // base of data
    Put32(f, o + 28, 0x10000000);  // the usual image base of a DLL
    Put32(f, o + 32, kSectionAlignment);
    Put32(f, o + 36, kFileAlignment);
    Put16(f, o + 40, 4);  // operating system and subsystem version 4.0
    Put16(f, o + 48, 4);
    Put32(f, o + 56, kRsrcRva + Align(rsrcSize, kSectionAlignment));
    Put32(f, o + 60, kHeadersSize);
    Put16(f, o + 68, 2);  // Windows GUI
    Put32(f, o + 72, 0x100000);  // stack and heap reserve and commit
    Put32(f, o + 76, 0x1000);
    Put32(f, o + 80, 0x100000);
    Put32(f, o + 84, 0x1000);
    Put32(f, o + 92, 16);  // data directories
    Put32(f, o + 96 + 8 * 2, kRsrcRva);
    Put32(f, o + 96 + 8 * 2 + 4, rsrcSize);

    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    std::copy(name, name + 8, f.begin() + kSectionTable);
    Put32(f, kSectionTable + 8, rsrcSize);
    Put32(f, kSectionTable + 12, kRsrcRva);
    Put32(f, kSectionTable + 16, rawSize);
    Put32(f, kSectionTable + 20, kHeadersSize);
    Put32(f, kSectionTable + 36, 0x40000040);  // initialised data, readable

    std::copy(rsrc.begin(), rsrc.end(), f.begin() + kHeadersSize);
    Put32(f, o + 64, ImageChecksum(f, o + 64));
    return f;
}

// Written beside the target and renamed over it: an engine that has the old
// font mapped keeps reading the old file, where rewriting it in place would
// pull the pages from under it.
bool PeWriter::WriteFile(const std::string &path) const {
    const std::vector<uint8_t> bytes = Build();
    const std::string temporary = path + ".tmp";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    std::error_code error;
    if (!out.fail()) std::filesystem::rename(temporary, path, error);
    if (out.fail() || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace kav::font
