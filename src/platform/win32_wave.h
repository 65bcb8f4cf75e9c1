// Wave output with a function callback.
//
// Devices: KAVREL_WAVEOUT=alsa (the sound card through ALSA's "default"
// device, or the one KAVREL_ALSA_PCM names), virtual (a device that plays against the platform clock and keeps
// what it played, for tests and headless machines) or none.  Without the
// variable, ALSA is used when its default device opens, else there is no
// device at all: waveOutGetNumDevs returns 0.  The variable is read at each
// call that looks for a device; an open handle keeps its device.
//
// Behaviour the engine relies on, as on Windows:
// - WOM_OPEN, WOM_DONE and WOM_CLOSE reach the callback on the device's own
//   thread, never inside the caller's waveOutWrite.  waveOutOpen returns
//   after WOM_OPEN was delivered, waveOutClose after WOM_CLOSE.
// - A finished buffer has WHDR_DONE set and WHDR_INQUEUE cleared before its
//   WOM_DONE.  waveOutReset returns every queued buffer that way, with a
//   WOM_DONE each, before it returns; a paused device stays paused.
// - waveOutClose and waveOutUnprepareHeader refuse with WAVERR_STILLPLAYING
//   while buffers are queued.  A callback may write and post but must not
//   reset or close its own device (MMSYSERR_HANDLEBUSY).
// - Volume belongs to the device and outlives the handles opened on it;
//   waveOutGetVolume/SetVolume take a handle or a device id.
// Formats: PCM, 8-bit unsigned or 16-bit signed, one or two channels, 1000
// to 192000 samples a second, with consistent block alignment and byte
// rate.  Looping (WHDR_BEGINLOOP/ENDLOOP) is not offered: a buffer plays once.
#pragma once

#include "win32_mmresult.h"

struct HWAVEOUT__;
typedef HWAVEOUT__ *HWAVEOUT;
typedef HWAVEOUT *LPHWAVEOUT;

#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_PCM 1

#define WAVE_FORMAT_QUERY  0x0001
#define CALLBACK_TYPEMASK  0x00070000u
#define CALLBACK_NULL      0x00000000u
#define CALLBACK_WINDOW    0x00010000u
#define CALLBACK_THREAD    0x00020000u
#define CALLBACK_FUNCTION  0x00030000u
#define CALLBACK_EVENT     0x00050000u

#define WOM_OPEN  0x3BB
#define WOM_CLOSE 0x3BC
#define WOM_DONE  0x3BD

#define WHDR_DONE      0x00000001u
#define WHDR_PREPARED  0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP   0x00000008u
#define WHDR_INQUEUE   0x00000010u

#define WAVECAPS_PITCH          0x0001u
#define WAVECAPS_PLAYBACKRATE   0x0002u
#define WAVECAPS_VOLUME         0x0004u
#define WAVECAPS_LRVOLUME       0x0008u
#define WAVECAPS_SYNC           0x0010u
#define WAVECAPS_SAMPLEACCURATE 0x0020u

#define MAXPNAMELEN 32

#define TIME_MS      0x0001
#define TIME_SAMPLES 0x0002
#define TIME_BYTES   0x0004

// The wave format is byte-packed, as in the Windows headers, so that it has
// the 18-byte layout of a WAVE file's format chunk.
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
#pragma pack(pop)
typedef const WAVEFORMATEX *LPCWAVEFORMATEX;

typedef struct wavehdr_tag {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    struct wavehdr_tag *lpNext;
    DWORD_PTR reserved;
} WAVEHDR, *PWAVEHDR, *LPWAVEHDR;

typedef UINT MMVERSION;
typedef struct tagWAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
} WAVEOUTCAPSA, *PWAVEOUTCAPSA, *LPWAVEOUTCAPSA;

typedef struct mmtime_tag {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
        struct {
            BYTE hour, min, sec, frame, fps, dummy;
            BYTE pad[2];
        } smpte;
        struct {
            DWORD songptrpos;
        } midi;
    } u;
} MMTIME, *PMMTIME, *LPMMTIME;

// The shape of a CALLBACK_FUNCTION procedure (Windows declares its first
// parameter as a driver handle; it is the wave-out handle).
typedef void (CALLBACK *LPWAVECALLBACK)(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance,
                                        DWORD_PTR dwParam1, DWORD_PTR dwParam2);

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, LPWAVEOUTCAPSA pwoc, UINT cbwoc);
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveOutClose(HWAVEOUT hwo);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutPause(HWAVEOUT hwo);
MMRESULT waveOutRestart(HWAVEOUT hwo);
MMRESULT waveOutReset(HWAVEOUT hwo);
// Frames played since the open or the last reset.
MMRESULT waveOutGetPosition(HWAVEOUT hwo, LPMMTIME pmmt, UINT cbmmt);
// The id the handle was opened with (WAVE_MAPPER when it was opened so).
MMRESULT waveOutGetID(HWAVEOUT hwo, LPUINT puDeviceID);
// Left channel in the low word, right in the high word; 0xFFFF is full.
MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD pdwVolume);
MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume);
