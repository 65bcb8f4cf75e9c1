// RIFF file writing over a buffered C stream.
#include "platform/win32_mmio.h"

#include <cstdio>
#include <new>

struct HMMIO__ {
    std::FILE *file;
};

namespace {
constexpr size_t kBufferBytes = 8192;

bool PutWord(std::FILE *f, DWORD v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, f) == 4;
}
}  // namespace

HMMIO mmioOpenA(LPSTR pszFileName, LPMMIOINFO lpmmioinfo, DWORD fdwOpen) {
    UINT error = MMIOERR_CANNOTOPEN;
    HMMIO h = nullptr;
    if (pszFileName != nullptr && (fdwOpen & MMIO_CREATE) && (fdwOpen & (MMIO_WRITE | MMIO_READWRITE))) {
        std::FILE *f = std::fopen(pszFileName, (fdwOpen & MMIO_READWRITE) ? "w+b" : "wb");
        if (f != nullptr) {
            h = new (std::nothrow) HMMIO__{f};
            if (h == nullptr) {
                std::fclose(f);
                error = MMIOERR_OUTOFMEMORY;
            } else if (fdwOpen & MMIO_ALLOCBUF) {
                std::setvbuf(f, nullptr, _IOFBF, kBufferBytes);
            }
        }
    }
    if (lpmmioinfo != nullptr) lpmmioinfo->wErrorRet = h != nullptr ? MMSYSERR_NOERROR : error;
    return h;
}

LONG mmioWrite(HMMIO hmmio, const char *pch, LONG cch) {
    if (hmmio == nullptr || cch < 0 || (pch == nullptr && cch > 0)) return -1;
    const size_t n = std::fwrite(pch, 1, static_cast<size_t>(cch), hmmio->file);
    if (n == 0 && cch > 0) return -1;
    return static_cast<LONG>(n);
}

MMRESULT mmioCreateChunk(HMMIO hmmio, LPMMCKINFO lpck, UINT wFlags) {
    if (hmmio == nullptr || lpck == nullptr) return MMIOERR_CANNOTWRITE;
    std::FILE *f = hmmio->file;
    const long at = std::ftell(f);
    if (at < 0) return MMIOERR_CANNOTSEEK;
    const bool form = (wFlags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
    if (wFlags & MMIO_CREATERIFF) lpck->ckid = mmioFOURCC('R', 'I', 'F', 'F');
    if (wFlags & MMIO_CREATELIST) lpck->ckid = mmioFOURCC('L', 'I', 'S', 'T');
    lpck->dwDataOffset = static_cast<DWORD>(at + 8);
    lpck->dwFlags = MMIO_DIRTY;
    if (!PutWord(f, lpck->ckid) || !PutWord(f, lpck->cksize)) return MMIOERR_CANNOTWRITE;
    if (form && !PutWord(f, lpck->fccType)) return MMIOERR_CANNOTWRITE;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAscend(HMMIO hmmio, LPMMCKINFO lpck, UINT) {
    if (hmmio == nullptr || lpck == nullptr) return MMIOERR_CANNOTWRITE;
    std::FILE *f = hmmio->file;
    if (lpck->dwFlags & MMIO_DIRTY) {
        const long end = std::ftell(f);
        if (end < 0 || static_cast<DWORD>(end) < lpck->dwDataOffset) return MMIOERR_CANNOTSEEK;
        const DWORD size = static_cast<DWORD>(end) - lpck->dwDataOffset;
        if (size != lpck->cksize) {
            if (std::fseek(f, static_cast<long>(lpck->dwDataOffset) - 4, SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
            if (!PutWord(f, size)) return MMIOERR_CANNOTWRITE;
            if (std::fseek(f, end, SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
            lpck->cksize = size;
        }
        lpck->dwFlags &= ~static_cast<DWORD>(MMIO_DIRTY);
        if ((size & 1) != 0 && std::fputc(0, f) == EOF) return MMIOERR_CANNOTWRITE;
    } else {
        // A chunk read over: skip to its end (and its pad byte).
        const long end = static_cast<long>(lpck->dwDataOffset) + static_cast<long>(lpck->cksize + (lpck->cksize & 1));
        if (std::fseek(f, end, SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT mmioClose(HMMIO hmmio, UINT) {
    if (hmmio == nullptr) return MMIOERR_CANNOTCLOSE;
    const bool flushed = std::fflush(hmmio->file) == 0;
    const bool closed = std::fclose(hmmio->file) == 0;
    delete hmmio;
    return flushed && closed ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}
