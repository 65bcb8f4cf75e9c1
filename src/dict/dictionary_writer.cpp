// Writing the current dictionary to a file.
//
// The bytes go to "<path>$$$" in the same directory first, and only a
// complete file is renamed over the target: a save that fails midway (a full
// disk, a write error) leaves the previous file as it was, and processes that
// have the old file mapped keep reading it.
#include "dict/dictionary_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kav {

namespace {

// Collects small writes into one buffer; the first short write sticks.
class FileWriter {
public:
    explicit FileWriter(HFILE hFile) : hFile_(hFile) {}

    void Put(const void *data, size_t size) {
        const auto *p = static_cast<const char *>(data);
        while (size > 0 && ok_) {
            if (used_ == sizeof buffer_) Flush();
            const size_t n = std::min(size, sizeof buffer_ - used_);
            std::memcpy(buffer_ + used_, p, n);
            used_ += n;
            p += n;
            size -= n;
        }
    }
    void PutWord(WORD w) {
        const BYTE b[2] = {static_cast<BYTE>(w), static_cast<BYTE>(w >> 8)};
        Put(b, sizeof b);
    }
    void PutDword(DWORD d) {
        const BYTE b[4] = {static_cast<BYTE>(d), static_cast<BYTE>(d >> 8), static_cast<BYTE>(d >> 16),
                           static_cast<BYTE>(d >> 24)};
        Put(b, sizeof b);
    }
    // True when every byte reached the file.
    bool Finish() {
        Flush();
        return ok_;
    }

private:
    void Flush() {
        if (ok_ && used_ > 0 && _lwrite(hFile_, buffer_, static_cast<UINT>(used_)) != used_) ok_ = false;
        used_ = 0;
    }

    HFILE hFile_;
    char buffer_[8192];
    size_t used_ = 0;
    bool ok_ = true;
};

// File form: the table and pool exactly as mapped.
void WriteAsMapped(LPSCB lpSCB, FileWriter &out) {
    if (lpSCB->nDictEntries == 0) return;
    out.Put(lpSCB->lpDictTable, lpSCB->nDictEntries * kDictRecordSize);
    out.Put(lpSCB->lpDictPool, lpSCB->nDictPoolSize);
}

// Memory form: records in table order with offsets into a compacted pool,
// then each key and pronunciation in the same order.  Strings of deleted
// entries and replaced pronunciations are left behind.
void WriteCompacted(LPSCB lpSCB, FileWriter &out) {
    const auto *table = static_cast<const BYTE *>(lpSCB->lpDictTable);
    const char *pool = lpSCB->lpDictPool;
    DWORD offset = 0;
    for (DWORD i = 0; i < lpSCB->nDictEntries; ++i) {
        const BYTE *record = table + i * kDictRecordSize;
        const DWORD keyLength = static_cast<DWORD>(std::strlen(pool + DictRecordKey(record)));
        const DWORD pronLength = static_cast<DWORD>(std::strlen(pool + DictRecordPronunciation(record)));
        out.PutWord(DictRecordTag(record));
        out.PutDword(offset);
        out.PutDword(offset + keyLength + 1);
        offset += keyLength + pronLength + 2;
    }
    for (DWORD i = 0; i < lpSCB->nDictEntries; ++i) {
        const BYTE *record = table + i * kDictRecordSize;
        const char *key = pool + DictRecordKey(record);
        const char *pron = pool + DictRecordPronunciation(record);
        out.Put(key, std::strlen(key) + 1);
        out.Put(pron, std::strlen(pron) + 1);
    }
}

}  // namespace

LONG WriteDictionaryFile(LPSCB lpSCB, const char *lpszPath) {
    // The temporary name must fit an OpenFile path as the target does.
    if (std::strlen(lpszPath) > kDictPathLimit) return SE_ERR_DICTCREATE;
    char temp[SE_PATH_SIZE];
    std::snprintf(temp, sizeof temp, "%s$$$", lpszPath);
    OFSTRUCT ofs;
    const HFILE hFile = OpenFile(temp, &ofs, OF_CREATE | OF_READWRITE | OF_SHARE_EXCLUSIVE);
    if (hFile == HFILE_ERROR) return SE_ERR_DICTCREATE;

    FileWriter out(hFile);
    out.PutWord(static_cast<WORD>(lpSCB->nDictEntries));
    out.PutWord(kDictFileFlags);
    if (lpSCB->fDictInMemory != 0) {
        WriteCompacted(lpSCB, out);
    } else {
        WriteAsMapped(lpSCB, out);
    }
    const bool written = out.Finish();
    const bool closed = _lclose(hFile) == 0;
    if (!written || !closed) {
        DeleteFileA(temp);
        return SE_ERR_RULEABORT;  // -104: fewer bytes written than asked
    }
    if (!MoveFileExA(temp, lpszPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return SE_ERR_DICTCREATE;
    }
    return 0;
}

}  // namespace kav
