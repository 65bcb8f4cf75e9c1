// WritePhonetics: the whole synthesis of a phrase on the caller's thread,
// into a RIFF WAVE file in the font's own sample format.  The events that
// synthesis queues are dropped with the phrase.
#include "api/engine_state.h"
#include "api/services.h"
#include "synth/synthesis.h"
#include "synth/synthesis_font.h"
#include "synth/synthesis_guard.h"

#include <atomic>

namespace kav {

namespace {
constexpr WORD kBlockBytes = 8192;
constexpr DWORD kFormatBytes = 16;

struct WaveWrite {
    LPSCB scb;
    HMMIO file = nullptr;
    BYTE *buffer = nullptr;
    bool begun = false;
    MMCKINFO riff{}, fmt{}, data{};
};

// The 16-byte PCM format of the font: mono, its rate and sample width.
void PcmFormat(const SpeechHeader &h, BYTE out[kFormatBytes]) {
    const DWORD bytes = h.bitsPerSample == 16 ? 2 : 1;
    const DWORD avg = h.sampleRate * bytes;
    const DWORD words[] = {1 | 1u << 16, h.sampleRate, avg, bytes | h.bitsPerSample << 16};
    for (int i = 0; i < 4; ++i) {
        for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<BYTE>(words[i] >> (8 * b));
    }
}

// Runs the write from opening the file to closing it; 0 or the error code.
LONG Write(WaveWrite &w, LPSTR lpszPhonetics, LPSTR lpszFileName) {
    LPSCB scb = w.scb;
    scb->lpWaveFileName = lpszFileName;
    w.file = mmioOpenA(lpszFileName, nullptr, MMIO_CREATE | MMIO_ALLOCBUF | MMIO_WRITE);
    if (w.file == nullptr) return SE_ERR_WAVEFILEOPEN;
    w.riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioCreateChunk(w.file, &w.riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) return SE_ERR_WAVEFILEWRITE;
    w.fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    w.fmt.cksize = kFormatBytes;
    if (mmioCreateChunk(w.file, &w.fmt, 0) != MMSYSERR_NOERROR) return SE_ERR_WAVEFILEWRITE;

    scb->lpPhonetics = lpszPhonetics;
    g_lpSynthSCB.store(scb);
    const LONG rc = BeginSynthesis(lpszPhonetics, scb->nPitch, scb->nSpeed);
    if (rc != 0) return rc;
    w.begun = true;
    std::atomic_ref<DWORD>(scb->fSynthBusy).store(1);

    SpeechHeader hdr;
    BYTE format[kFormatBytes];
    if (!ReadSpeechHeader(scb, &hdr)) return SE_ERR_NOFONT;
    PcmFormat(hdr, format);
    if (mmioWrite(w.file, reinterpret_cast<const char *>(format), kFormatBytes) < static_cast<LONG>(kFormatBytes) ||
        mmioAscend(w.file, &w.fmt, 0) != MMSYSERR_NOERROR) {
        return SE_ERR_WAVEFILEWRITE;
    }
    w.data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioCreateChunk(w.file, &w.data, 0) != MMSYSERR_NOERROR) return SE_ERR_WAVEFILEWRITE;
    w.buffer = static_cast<BYTE *>(AllocBlock(kBlockBytes));
    if (w.buffer == nullptr) return SE_ERR_NOMEMORY;
    for (;;) {
        const LONG n = SynthesizeBlock(scb->wFlags, w.buffer, kBlockBytes);
        if (n == 0) break;
        if (mmioWrite(w.file, reinterpret_cast<const char *>(w.buffer), n) != n) return SE_ERR_WAVEFILEWRITE;
    }
    if (mmioAscend(w.file, &w.data, 0) != MMSYSERR_NOERROR || mmioAscend(w.file, &w.riff, 0) != MMSYSERR_NOERROR) {
        return SE_ERR_WAVEFILEWRITE;
    }
    const MMRESULT closed = mmioClose(w.file, 0);
    w.file = nullptr;
    return closed == MMSYSERR_NOERROR ? 0 : SE_ERR_WAVEFILEWRITE;
}
}  // namespace

}  // namespace kav

extern "C" KAVAPI LONG KAVCALL WritePhonetics(LPSCB lpSCB, LPSTR lpszPhonetics, LPSTR lpszFileName) {
    using namespace kav;
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    SetCurrentSCB(lpSCB);
    // Synthesis state is process-wide: a phrase or a write on any SCB holds it.
    if (std::atomic_ref<DWORD>(lpSCB->fSynthBusy).load() != 0 || !TryAcquireSynthesis(lpSCB)) return SE_ERR_SYNTHBUSY;
    if (lpSCB->hFontModule == nullptr) {
        ReleaseSynthesis(lpSCB);
        return SE_ERR_NOFONT;
    }
    WaveWrite w{lpSCB};
    const LONG rc = Write(w, lpszPhonetics, lpszFileName);
    if (w.file != nullptr) mmioClose(w.file, 0);  // the partial file stays on disk
    if (w.buffer != nullptr) FreeBlock(w.buffer);
    std::atomic_ref<DWORD>(lpSCB->fSynthBusy).store(0);
    if (w.begun) EndSynthesis(&lpSCB->nPitch, &lpSCB->nSpeed);
    if (rc != 0) std::atomic_ref<LONG>(lpSCB->nStatus).store(rc);
    LPSCB self = lpSCB;
    g_lpSynthSCB.compare_exchange_strong(self, nullptr);
    ReleaseSynthesis(lpSCB);
    return 0;
}
