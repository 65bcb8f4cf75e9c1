// Registry files are user-edited text: parsing any bytes must neither crash
// nor loop, and every key and value it keeps must be reachable by name.
#include "platform/posix/registry_tree.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Check(const kav::posix::RegistryKey &key, int depth) {
    if (depth > 513) __builtin_trap();  // the parser caps nesting at 512
    for (const auto &sub : key.subkeys) {
        if (key.FindSubkey(sub->name) == nullptr) __builtin_trap();
        Check(*sub, depth + 1);
    }
    for (const auto &value : key.values)
        if (key.FindValue(value.name) == nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    auto root = kav::posix::ParseRegistry(text, "fuzz.reg", nullptr);
    Check(*root, 0);
    return 0;
}
