// Helpers for the module tests: a scratch directory that cleans up after
// itself, and reading one resource through the Win32 calls.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <stdlib.h>

namespace kav::test {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/kavpeXXXXXX";
        path_ = mkdtemp(tmpl) != nullptr ? tmpl : "";
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// The bytes of a resource, or nothing when it is not found or not loadable.
inline std::optional<std::vector<uint8_t>> ReadResource(HMODULE m, LPCSTR name, LPCSTR type) {
    HRSRC r = FindResourceA(m, name, type);
    HGLOBAL h = r != nullptr ? LoadResource(m, r) : nullptr;
    if (h == nullptr) return std::nullopt;
    auto *p = static_cast<const uint8_t *>(LockResource(h));
    std::vector<uint8_t> bytes(p, p + SizeofResourceData(h));
    if (SizeofResource(m, r) != bytes.size()) return std::nullopt;
    FreeResource(h);
    return bytes;
}

}  // namespace kav::test
