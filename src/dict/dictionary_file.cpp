// Mapping a dictionary file read-only and checking it once, at open, so that
// every later search and listing can trust its offsets.
#include "dict/dictionary_file.h"

#include "api/services.h"

#include <cstdint>
#include <cstring>

namespace kav {

namespace {

HANDLE AsHandle(HFILE hFile) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(hFile)); }

WORD LoadWord(const BYTE *p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

// "TM_" and the path with backslashes turned into '/'; false when it does
// not fit the name block.  Mapping names share one namespace among all
// processes, so the same path always names the same mapping.
bool BuildMappingName(const char *lpszPath, char *lpszName) {
    const size_t length = std::strlen(lpszPath);
    if (length > kDictPathLimit) return false;
    std::memcpy(lpszName, "TM_", 3);
    for (size_t i = 0; i <= length; ++i) lpszName[3 + i] = lpszPath[i] == '\\' ? '/' : lpszPath[i];
    return true;
}

}  // namespace

LONG MapDictionaryFile(LPSCB lpSCB, const char *lpszPath, DWORD *lpdwFileSize) {
    // A path too long for the name block could only be opened by cutting it,
    // and a cut path names another file: refuse it as unopenable instead.
    if (!BuildMappingName(lpszPath, lpSCB->lpDictMapName)) return SE_ERR_DICTOPEN;
    OFSTRUCT ofs;
    const HFILE hFile = OpenFile(lpszPath, &ofs, OF_READ);
    if (hFile == HFILE_ERROR) return SE_ERR_DICTOPEN;
    BYTE header[kDictHeaderSize];
    // A file too short for its header is no dictionary either.
    if (_lread(hFile, header, sizeof header) != sizeof header || (LoadWord(header + 2) & kDictFileFlags) == 0) {
        _lclose(hFile);
        return SE_ERR_BADDICT;
    }
    _llseek(hFile, 0, FILE_BEGIN);
    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(AsHandle(hFile), &sizeHigh);
    if (size == INVALID_FILE_SIZE || sizeHigh != 0) {
        _lclose(hFile);
        return SE_ERR_DICTMAP;
    }
    // Creating a mapping under a name in use opens that object instead: the
    // open-or-create of one step.  Asking for exactly the size read above
    // makes the mapping refuse a file that has shrunk in between.
    const HANDLE hMapping = CreateFileMappingA(AsHandle(hFile), nullptr, PAGE_READONLY, 0, size, lpSCB->lpDictMapName);
    if (hMapping == nullptr) {
        _lclose(hFile);
        return SE_ERR_DICTMAP;
    }
    void *view = MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, size);
    if (view == nullptr) {
        CloseHandle(hMapping);
        _lclose(hFile);
        return SE_ERR_DICTMAP;
    }
    lpSCB->lpDictView = view;
    lpSCB->hDictFile = hFile;
    lpSCB->hDictMapping = hMapping;
    *lpdwFileSize = size;
    return 0;
}

void UnmapDictionaryFile(LPSCB lpSCB) {
    if (!UnmapViewOfFile(lpSCB->lpDictView)) ReportError(lpSCB, SE_ERR_DICTUNMAP);
    CloseHandle(lpSCB->hDictMapping);
    _lclose(lpSCB->hDictFile);
}

// Linear in the file's size.  Keys must be whole strings of the pool (at its
// start or right after a NUL), as every writer lays them out: distinct keys
// then never overlap, so comparing each key with the next reads each byte of
// the pool at most twice.  Pronunciations may point anywhere a NUL follows.
bool IsSoundDictionaryFile(const BYTE *view, DWORD size) {
    if (size < kDictHeaderSize) return false;
    const DWORD count = LoadWord(view);
    const uint64_t tableBytes = uint64_t{count} * kDictRecordSize;
    if (size - kDictHeaderSize < tableBytes) return false;
    if (count == 0) return true;
    const BYTE *table = view + kDictHeaderSize;
    const char *pool = reinterpret_cast<const char *>(table + tableBytes);
    const DWORD poolSize = size - kDictHeaderSize - static_cast<DWORD>(tableBytes);
    // An offset is followed by a NUL inside the pool exactly when it does not
    // lie past the pool's last NUL.
    DWORD end = poolSize;
    while (end > 0 && pool[end - 1] != '\0') --end;
    if (end == 0) return false;
    const DWORD lastNul = end - 1;
    const char *previous = nullptr;
    for (DWORD i = 0; i < count; ++i) {
        const BYTE *record = table + i * kDictRecordSize;
        const DWORD key = DictRecordKey(record);
        if (key > lastNul || DictRecordPronunciation(record) > lastNul) return false;
        if (key > 0 && pool[key - 1] != '\0') return false;
        // strcmp compares as unsigned bytes, the order of the table.
        if (previous != nullptr && std::strcmp(previous, pool + key) >= 0) return false;
        previous = pool + key;
    }
    return true;
}

}  // namespace kav
