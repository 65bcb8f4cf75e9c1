// Random rule programs over random texts.  Input layout:
//   byte 0   flags: 1 = the program gets a version-2 header in front,
//            2 = a pass mask table is present, 4 = dictionaries are on
//   byte 1   text length n
//   n bytes  the text (cut at a NUL)
//   rest     the program bytes
// A pass must end with a status, never crash, hang or leak.
#include "api/engine_state.h"
#include "api/services.h"
#include "dict/dictionary.h"
#include "platform/fault.h"
#include "rules/rule_pass.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void QuietBox(const char *, const char *, UINT) {}
void *NoLookup(const char *, int) { return nullptr; }

// One dictionary: "a" -> "A" (tag 1), "the" -> "D@" (tag 0).
const char kPool[] = "a\0A\0the\0D@";
const uint8_t kTable[] = {1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 8, 0, 0, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool once = [] {
        KavSetMessageBoxHook(QuietBox);
        return true;
    }();
    (void)once;
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const size_t n = data[1] < size - 2 ? data[1] : size - 2;
    const std::string text(reinterpret_cast<const char *>(data + 2), n);  // c_str() cuts at a NUL
    std::vector<uint8_t> program;
    if (flags & 1) program = {2, 0};
    program.insert(program.end(), data + 2 + n, data + size);

    kav::DictDescriptor dict{};
    dict.lpDictTable = const_cast<uint8_t *>(kTable);
    dict.lpDictPool = const_cast<char *>(kPool);
    dict.nDictEntries = 2;
    dict.nDictPoolSize = sizeof kPool;
    SCB scb{};
    scb.wFlags = SE_FLAG_NOMSGBOX;
    scb.lpDictStack = &dict;
    scb.nDictStack = 1;
    scb.fDictActive = (flags & 4) ? 1 : 0;
    scb.lpfnDictLookup = NoLookup;
    scb.hPassMask = (flags & 2) ? reinterpret_cast<HGLOBAL>(&scb) : nullptr;
    kav::SetCurrentSCB(&scb);

    const long live = kav::fault::LiveBlocks();
    char *out = nullptr;
    const LONG status = kav::RunRulePassOver(text.c_str(), program.data(), DWORD(program.size()), &out);
    if (status == 0) {
        if (out == nullptr) std::abort();
        (void)std::strlen(out);
        kav::FreeBlock(out);
    } else if (out != nullptr || status < -104 || status > -100) {
        std::abort();
    }
    if (kav::fault::LiveBlocks() != live) std::abort();
    kav::SetCurrentSCB(nullptr);
    return 0;
}
