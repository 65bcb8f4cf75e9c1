// Speech-font loading: the module named by the registry, its resources taken
// into the SCB as loaded handles (each reader locks what it reads), its
// numeric parameters and the process-wide stress increments.
#include "api/font_loading.h"

#include "api/engine_state.h"
#include "api/font_checks.h"
#include "api/font_registry.h"
#include "api/font_resources.h"
#include "api/services.h"
#include "phonetics/speech_header.h"

#include <cstdio>
#include <cstring>

namespace kav {

namespace {

constexpr const char *kModuleName = "SPEECH";  // source module named in assertions

// The newest font format this engine reads.
constexpr double kNewestFontVersion = 2.11;

// The version is major + minor read as a decimal fraction: minor 11 is .11,
// minor 5 is .5, minor 10 is 1.0 (so 2, 10 reads 3.0).  Kept in double
// precision, as fonts were always judged, so that 2.11 itself is accepted.
bool FontVersionAccepted(LONG major, LONG minor) {
    double f = minor * 0.1;
    while (f > 1.0) f *= 0.1;
    return major + f <= kNewestFontVersion;
}

LONG RefuseFont(LPSCB lpSCB) {
    if (lpSCB->hFontModule != nullptr) FreeLibrary(lpSCB->hFontModule);
    lpSCB->hFontModule = nullptr;
    lpSCB->nStatus = SE_ERR_FONTLOAD;
    return SE_ERR_FONTLOAD;
}

// A font name is one file name inside the font directory.
bool PlainFontName(LPCSTR lpszFontName) {
    return lpszFontName != nullptr && *lpszFontName != '\0' && std::strpbrk(lpszFontName, "\\/") == nullptr;
}

// Formats into a 128-byte path buffer; false when the result does not fit.
bool FormatPath(char (&out)[SE_PATH_SIZE], const char *a, const char *b, const char *c) {
    const int n = std::snprintf(out, sizeof out, "%s\\%s%s", a, b, c);
    return n >= 0 && n < static_cast<int>(sizeof out);
}

void ReadVersion(LPSCB lpSCB) {
    LONG v;
    if (LoadFontInteger(lpSCB->hFontModule, "VERSIONNUMBER", RT_RCDATA, &v) == 0) {
        // Two signed 16-bit words, the first in the low half.
        lpSCB->nFontVersionMajor = static_cast<SHORT>(static_cast<DWORD>(v) & 0xFFFF);
        lpSCB->nFontVersionMinor = static_cast<SHORT>(static_cast<DWORD>(v) >> 16);
    } else {
        lpSCB->nFontVersionMajor = -1;
        lpSCB->nFontVersionMinor = -1;
    }
}

// The last font loaded sets the increments for the process.  A font with
// no primary pitch increment gets every default; one that has it keeps the
// previous value of each other increment it lacks.
void ReadStressIncrements(HMODULE hModule) {
    static const char *const kNames[kStressIncrements] = {
        "PRIMSTRESSPITCHINCR", "SECSTRESSPITCHINCR", "DESTRESSPITCHINCR",
        "PRIMSTRESSSPEEDINCR", "SECSTRESSSPEEDINCR", "DESTRESSSPEEDINCR"};
    static const LONG kDefaults[kStressIncrements] = {60, 30, -30, -60, -40, 40};
    if (LoadFontInteger(hModule, kNames[kPrimPitch], RT_RCDATA, &g_lStressIncr[kPrimPitch]) != 0) {
        std::memcpy(g_lStressIncr, kDefaults, sizeof g_lStressIncr);
        return;
    }
    for (int i = kPrimPitch + 1; i < kStressIncrements; ++i)
        LoadFontInteger(hModule, kNames[i], RT_RCDATA, &g_lStressIncr[i]);
}

void TakeResources(LPSCB lpSCB) {
    HMODULE hModule = lpSCB->hFontModule;
    for (LONG i = 0; i < lpSCB->nRulePasses; ++i) {
        lpSCB->hRULE[i] = LoadFontResource(hModule, "RULE", static_cast<WORD>(300 + i));
        if (lpSCB->hRULE[i] == nullptr) AssertFailed("lpSCB->hRULE[counter] != NULL", 297, kModuleName);
    }
    lpSCB->hSentenceRule = LoadFontResource(hModule, "RULE", 350);
    lpSCB->hPassMask = LoadFontResource(hModule, "RULE", 354);
    lpSCB->hDEMI = LoadFontResource(hModule, "DEMI", 258);
    if (lpSCB->hDEMI == nullptr) AssertFailed("lpSCB->hDEMI != (HGLOBAL)NULL", 318, kModuleName);
    // CheckSpeechFont has made sure the voice header is there.
    lpSCB->hSPEECH_HDR = LoadFontResource(hModule, "SPEECH_HDR", 256);
    lpSCB->hMouthShapes = LoadFontResource(hModule, "MOUTH_SHAPES", 257);

    LoadNumberedResources(lpSCB, "NUMPCMRESOURCES", "PCMD", kFirstPcmdId, &lpSCB->nPcmd, &lpSCB->lphPCMD, 177);
    LoadNumberedResources(lpSCB, "NUMINSTRESOURCES", "INST", kFirstInstId, &lpSCB->nInst, &lpSCB->lphINST, 137);

    lpSCB->lpSpeechHdr = LockResource(lpSCB->hSPEECH_HDR);
    lpSCB->hDeltaTable = nullptr;
    SpeechHeader hdr;
    if (ReadSpeechHeader(lpSCB, &hdr) && (hdr.flags & kHdrDeltaCoded) != 0) {
        lpSCB->hDeltaTable = LoadFontResource(hModule, "DELTA_TABLE", 259);
        if (lpSCB->hDeltaTable == nullptr) AssertFailed("lpSCB->hDeltaTable != (HMODULE)NULL", 381, kModuleName);
    }
}

}  // namespace

LONG LoadNumberedResources(LPSCB lpSCB, LPCSTR lpszCountName, LPCSTR lpszType, WORD firstId, LONG *pnCount,
                           HGLOBAL **plphBlock, int assertLine) {
    // Without its count, or without room for its handles, a family is empty:
    // a count left over from an earlier font would promise handles that are
    // not there.
    *plphBlock = nullptr;
    LONG n = 0;
    if (LoadFontInteger(lpSCB->hFontModule, lpszCountName, RT_RCDATA, &n) != 0 || n < 0) {
        *pnCount = 0;
        return SE_ERR_FONTCOUNTS;
    }
    auto *block = static_cast<HGLOBAL *>(AllocBlock(static_cast<size_t>(n) * sizeof(HGLOBAL)));
    if (block == nullptr) {
        *pnCount = 0;
        return SE_ERR_NOMEMORY;
    }
    for (LONG i = 0; i < n; ++i) {
        HGLOBAL *lpH = &block[i];
        *lpH = LoadFontResource(lpSCB->hFontModule, lpszType, static_cast<WORD>(firstId + i));
        if (*lpH == nullptr) AssertFailed("*lpH != (HGLOBAL)NULL", assertLine, kModuleName);
    }
    *pnCount = n;
    *plphBlock = block;
    return 0;
}

LONG LoadSpeechFont(LPSCB lpSCB, LPCSTR lpszFontName) {
    char path[SE_PATH_SIZE];
    if (!ReadFontPath(path, sizeof path)) return RefuseFont(lpSCB);
    std::memcpy(lpSCB->szFontPath, path, sizeof path);
    // A module path that does not fit its buffer, or a name that reaches
    // outside the font directory, names no font of ours.
    if (!PlainFontName(lpszFontName) || !FormatPath(lpSCB->szFontModule, path, lpszFontName, ".DLL"))
        return RefuseFont(lpSCB);

    lpSCB->hFontModule = LoadLibraryA(lpSCB->szFontModule);
    if (lpSCB->hFontModule == nullptr) return RefuseFont(lpSCB);

    ReadVersion(lpSCB);
    if (!FontVersionAccepted(lpSCB->nFontVersionMajor, lpSCB->nFontVersionMinor)) return RefuseFont(lpSCB);

    LONG passes;
    if (LoadFontInteger(lpSCB->hFontModule, "NUMRULEPASSES", RT_RCDATA, &passes) != 0) {
        FreeLibrary(lpSCB->hFontModule);
        lpSCB->hFontModule = nullptr;
        return SE_ERR_FONTCOUNTS;
    }
    if (CheckSpeechFont(lpSCB->hFontModule) != 0) return RefuseFont(lpSCB);
    lpSCB->nRulePasses = passes;

    TakeResources(lpSCB);
    ReadStressIncrements(lpSCB->hFontModule);

    // Kernel dictionary: when the font has "KERNEL_DIC" 100, OpenDictionary
    // (dictionary stack) is to be called here with "<szFontPath>\<its text>"
    // (CheckSpeechFont has made sure the text ends inside the resource),
    // then the current-dictionary fields cleared, fKernelDict = 1 and
    // fDictInMemory = 0.  Until dictionaries are loaded, no kernel dictionary.
    lpSCB->fKernelDict = 0;

    char dictName[SE_PATH_SIZE];
    char dictPath[SE_PATH_SIZE] = "";
    const int dict = ReadDefaultDictionary(dictName, sizeof dictName, lpszFontName);
    if (dict == SE_ERR_FONTLOAD) {
        UnloadSpeechFont(lpSCB);
        return RefuseFont(lpSCB);
    }
    if (dict == 1) {
        std::memcpy(lpSCB->szDictFile, dictName, sizeof dictName);
        // An empty value names no file: the font then has no default dictionary.
        if (dictName[0] != '\0' && !FormatPath(dictPath, lpSCB->szFontPath, dictName, "")) {
            UnloadSpeechFont(lpSCB);
            return RefuseFont(lpSCB);
        }
    }

    lpSCB->nDictCase = 1;
    LoadFontInteger(lpSCB->hFontModule, "DICTIONARYCASE", RT_RCDATA, &lpSCB->nDictCase);

    // Default dictionary: OpenDictionary (dictionary stack) is to be called
    // here with dictPath (NULL when it is empty), pushing the result on the
    // stack, and its result returned instead of 0.
    return 0;
}

void UnloadSpeechFont(LPSCB lpSCB) {
    for (HGLOBAL &h : lpSCB->hRULE) ReleaseFontResource(&h);
    lpSCB->nRulePasses = 0;
    ReleaseFontResource(&lpSCB->hSentenceRule);
    ReleaseFontResource(&lpSCB->hDEMI);
    lpSCB->lpSpeechHdr = nullptr;  // a view of the header about to go
    ReleaseFontResource(&lpSCB->hSPEECH_HDR);
    ReleaseFontResource(&lpSCB->hMouthShapes);
    ReleaseFontResource(&lpSCB->hPassMask);
    ReleaseFontResource(&lpSCB->hDeltaTable);

    struct Family {
        HGLOBAL **block;
        LONG *count;
    };
    for (Family f : {Family{&lpSCB->lphPCMD, &lpSCB->nPcmd}, Family{&lpSCB->lphINST, &lpSCB->nInst}}) {
        if (*f.block != nullptr) {
            for (LONG i = 0; i < *f.count; ++i) ReleaseFontResource(&(*f.block)[i]);
            FreeBlock(*f.block);
            *f.block = nullptr;
        }
        *f.count = 0;
    }

    if (lpSCB->hFontModule != nullptr) {
        FreeLibrary(lpSCB->hFontModule);
        lpSCB->hFontModule = nullptr;
    }

    // Dictionaries: each entry of the dictionary stack, from the top down,
    // is to be made current and closed here with SelectDictionary (its
    // result, sign-extended from 16 bits, into nStatus), then the
    // current-dictionary fields and fDictInMemory cleared.  Until
    // dictionaries are loaded the stack is always empty.
}

void ReleaseSpeechFont(LPSCB lpSCB) {
    UnloadSpeechFont(lpSCB);
    if (lpSCB->lpDictStack != nullptr) {
        FreeBlock(lpSCB->lpDictStack);
        lpSCB->lpDictStack = nullptr;
    }
}

}  // namespace kav
