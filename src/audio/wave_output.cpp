#include "audio/wave_output.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "audio/audio_messages.h"
#include "audio/audio_state.h"
#include "audio/volume_scaling.h"
#include "phonetics/speech_header.h"
#include "synth/synthesis.h"
#include "synth/synthesis_guard.h"

#include <atomic>

namespace kav {

namespace {

constexpr WORD kMinBufferBytes = 8192;
constexpr DWORD kRetryMs = 50;

WORD g_wBitsPerSample = 8;  // speech thread only

LONG OpenError(MMRESULT rc) {
    switch (rc) {
        case MMSYSERR_BADDEVICEID: return SE_ERR_WAVEBADDEVICE;
        case MMSYSERR_ALLOCATED: return SE_ERR_WAVEBUSY;
        case MMSYSERR_NOMEM: return SE_ERR_NOMEMORY;
        case WAVERR_BADFORMAT: return SE_ERR_WAVEFORMAT;
        default: return SE_ERR_WAVEOPEN;
    }
}

// Half a second of sound, counted in 16 bits as the device's buffers are,
// and never less than 8192 bytes.
WORD BufferLength(const SpeechHeader &h) {
    const auto n = static_cast<WORD>((h.bitsPerSample / 4) * (h.sampleRate / 4));
    return n < kMinBufferBytes ? kMinBufferBytes : n;
}

void FreeBuffers(LPSCB s, HWAVEOUT hwo) {
    for (WAVEHDR *&h : g_audio.lpHeaders) {
        if (h == nullptr) continue;
        for (;;) {
            const MMRESULT rc = waveOutUnprepareHeader(hwo, h, sizeof *h);
            if (rc != WAVERR_STILLPLAYING) {
                // Reported as the device-handle error (the bare system code 5
                // would read as a success in nStatus).
                if (rc == MMSYSERR_INVALHANDLE) ReportAudioError(s, SE_ERR_WAVEBADDEVICE);
                break;
            }
            AudioSleep(kRetryMs);
        }
        FreeBlock(h->lpData);
        FreeBlock(h);
        h = nullptr;
    }
}

void Close(LPSCB s, HWAVEOUT hwo) {
    FreeBuffers(s, hwo);
    // Only once the buffers are back: what still plays out (after a close
    // request) keeps the phrase's volume.
    if (g_audio.dwDeviceSupport.load() & WAVECAPS_VOLUME) waveOutSetVolume(hwo, g_audio.dwSavedVolume);
    for (;;) {
        const MMRESULT rc = waveOutClose(hwo);
        if (rc != WAVERR_STILLPLAYING) {
            if (rc == MMSYSERR_INVALHANDLE) ReportAudioError(s, SE_ERR_WAVEBADDEVICE);
            break;
        }
        AudioSleep(kRetryMs);
    }
    g_audio.hWaveOut.store(nullptr);
    g_audio.dwDeviceSupport.store(0);
}

}  // namespace

LONG OpenWaveOutput(LPSCB s, HWAVEOUT *lphwo) {
    SpeechHeader h;
    if (!ReadSpeechHeader(s, &h) || (h.bitsPerSample != 8 && h.bitsPerSample != 16)) return SE_ERR_WAVEFORMAT;
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = h.sampleRate;
    f.wBitsPerSample = static_cast<WORD>(h.bitsPerSample);
    f.nBlockAlign = h.bitsPerSample == 16 ? 2 : 1;
    f.nAvgBytesPerSec = h.sampleRate * f.nBlockAlign;
    const MMRESULT rc = waveOutOpen(lphwo, s->uWaveDevice, &f, reinterpret_cast<DWORD_PTR>(&WaveOutCallback), 0,
                                    CALLBACK_FUNCTION);
    return rc == MMSYSERR_NOERROR ? 0 : OpenError(rc);
}

bool PrepareWaveOutput(LPSCB s) {
    const HWAVEOUT hwo = g_audio.hWaveOut.load();
    SpeechHeader h;
    ReadSpeechHeader(s, &h);  // OpenWaveOutput read it already
    g_wBitsPerSample = static_cast<WORD>(h.bitsPerSample);
    waveOutGetID(hwo, &g_audio.uDeviceId);
    WAVEOUTCAPSA caps{};
    g_audio.dwDeviceSupport.store(waveOutGetDevCapsA(g_audio.uDeviceId, &caps, sizeof caps) == MMSYSERR_NOERROR
                                      ? caps.dwSupport
                                      : 0);
    g_audio.wBufferLength = BufferLength(h);
    for (WAVEHDR *&hdr : g_audio.lpHeaders) {
        hdr = static_cast<WAVEHDR *>(AllocBlock(sizeof(WAVEHDR)));
        if (hdr == nullptr) return false;
        hdr->lpData = static_cast<LPSTR>(AllocBlock(g_audio.wBufferLength));
        if (hdr->lpData == nullptr) {
            FreeBlock(hdr);
            hdr = nullptr;
            return false;
        }
        hdr->dwBufferLength = g_audio.wBufferLength;
        waveOutPrepareHeader(hwo, hdr, sizeof *hdr);
    }

    const LONG volume = s->nVolume > 9 ? 9 : s->nVolume;
    g_audio.nCurrentVolume.store(volume);
    if (g_audio.dwDeviceSupport.load() & WAVECAPS_VOLUME) {
        waveOutGetVolume(hwo, &g_audio.dwSavedVolume);
        if (volume >= 0) waveOutSetVolume(hwo, DeviceVolume(volume));
    }
    return true;
}

void CloseWaveOutput() {
    LPSCB s = g_lpSynthSCB.load();
    if (s == nullptr) return;
    EndSynthesis(&s->nPitch, &s->nSpeed);
    std::atomic_ref<DWORD>(s->fSynthBusy).store(0);
    if (const HWAVEOUT hwo = g_audio.hWaveOut.load(); hwo != nullptr) Close(s, hwo);
    // Cleared before synthesis is given back, so a WAVE write that takes it
    // next keeps its own SCB.
    LPSCB self = s;
    g_lpSynthSCB.compare_exchange_strong(self, nullptr);
    ReleaseSynthesis(s);
}


LONG WriteWaveBuffer(WAVEHDR *h) {
    const LONG volume = g_audio.nCurrentVolume.load();
    if (!(g_audio.dwDeviceSupport.load() & WAVECAPS_VOLUME))
        ScaleSamples(reinterpret_cast<BYTE *>(h->lpData), h->dwBufferLength, g_wBitsPerSample, volume);
    if (waveOutWrite(g_audio.hWaveOut.load(), h, sizeof *h) != MMSYSERR_NOERROR)
        ReportAudioError(g_lpSynthSCB.load(), SE_ERR_WAVEWRITE);
    return 0;
}

void CALLBACK WaveOutCallback(HWAVEOUT, UINT uMsg, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    switch (uMsg) {
        case WOM_OPEN: g_audio.nDeviceState.store(kDeviceOpened); break;
        case WOM_CLOSE: g_audio.nDeviceState.store(kDeviceClosed); break;
        case WOM_DONE:
            g_audio.nDeviceState.store(kDeviceBufferDone);
            g_audio.nBuffersReturned.fetch_add(1);
            PostToSpeechThread(SE_BUFFERDONE);
            break;
        default: break;
    }
}

}  // namespace kav
