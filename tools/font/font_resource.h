// One resource of a speech font as the font compiler hands it to the PE
// writer: a type and a name, each either a number or a text, and its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kav::font {

// A resource type or name: a number when `text` is empty, else the text.
struct ResourceKey {
    uint16_t id = 0;
    std::string text;

    static ResourceKey Id(uint16_t id) { return ResourceKey{id, {}}; }
    static ResourceKey Named(std::string text) { return ResourceKey{0, std::move(text)}; }
    bool IsNamed() const { return !text.empty(); }
    // "DEMI" or "258": how the key is spelt in messages and file names.
    std::string Spelling() const { return IsNamed() ? text : std::to_string(id); }
    bool operator==(const ResourceKey &) const = default;
};

// The raw-data resource type that holds a font's numeric parameters.
constexpr uint16_t kRawDataType = 10;

struct FontResource {
    ResourceKey type;
    ResourceKey name;
    std::vector<uint8_t> bytes;
};

// Appends a 32-bit little-endian value, the width of every number in a font.
inline void PutU32(std::vector<uint8_t> &out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace kav::font
