// Multimedia file I/O: buffered writing of RIFF files, chunk by chunk.
// Creating a chunk writes its header with a provisional size; ascending out
// of it writes the real size of what was written since, and pads the chunk
// to an even length with a zero byte, as RIFF requires.
#pragma once

#include "win32_types.h"

typedef DWORD FOURCC;
typedef UINT MMRESULT;
typedef struct HMMIO__ *HMMIO;

#define mmioFOURCC(a, b, c, d)                                                                         \
    (static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) | \
     (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24))

typedef struct _MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;       // form type of RIFF and LIST chunks
    DWORD dwDataOffset;   // file offset of the chunk's data
    DWORD dwFlags;
} MMCKINFO, *LPMMCKINFO;

// Only the fields this engine's callers may look at; the rest of the
// Windows structure is not used.
typedef struct _MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void *pIOProc;
    UINT wErrorRet;
} MMIOINFO, *LPMMIOINFO;

#define MMSYSERR_NOERROR      0
#define MMIOERR_BASE          256
#define MMIOERR_FILENOTFOUND  (MMIOERR_BASE + 1)
#define MMIOERR_OUTOFMEMORY   (MMIOERR_BASE + 2)
#define MMIOERR_CANNOTOPEN    (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTCLOSE   (MMIOERR_BASE + 4)
#define MMIOERR_CANNOTREAD    (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTWRITE   (MMIOERR_BASE + 6)
#define MMIOERR_CANNOTSEEK    (MMIOERR_BASE + 7)

#define MMIO_READ        0x00000000
#define MMIO_WRITE       0x00000001
#define MMIO_READWRITE   0x00000002
#define MMIO_CREATE      0x00001000
#define MMIO_ALLOCBUF    0x00010000
#define MMIO_DIRTY       0x10000000
#define MMIO_CREATERIFF  0x0020
#define MMIO_CREATELIST  0x0040

// Opens a file.  Writing needs MMIO_CREATE (create or truncate) with
// MMIO_WRITE; this layer supports nothing else.  NULL on failure, with the
// reason in lpmmioinfo->wErrorRet when given.
HMMIO mmioOpenA(LPSTR pszFileName, LPMMIOINFO lpmmioinfo, DWORD fdwOpen);
// Bytes written, or -1.
LONG mmioWrite(HMMIO hmmio, const char *pch, LONG cch);
// Writes a chunk header at the current position: "RIFF" or "LIST" and the
// form type with MMIO_CREATERIFF or MMIO_CREATELIST, else lpck->ckid.
MMRESULT mmioCreateChunk(HMMIO hmmio, LPMMCKINFO lpck, UINT wFlags);
// Leaves a chunk created here: fixes its size, pads it to even length.
MMRESULT mmioAscend(HMMIO hmmio, LPMMCKINFO lpck, UINT wFlags);
// Flushes and closes; the handle is gone either way.
MMRESULT mmioClose(HMMIO hmmio, UINT wFlags);
