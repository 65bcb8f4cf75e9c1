/*
 * kavsyn.h - the Kavrel speech engine's C interface.
 *
 * A client opens the engine with OpenSpeech and gets a speech control block
 * (SCB) that it passes back to every other export.  Results are 0 or one of
 * the negative error codes below; functions that hand out data return a
 * pointer or NULL.  Nothing throws across this interface.
 *
 * On Windows the types come from <windows.h>; on other systems this header
 * declares the few Win32 base types the interface uses, with the same names
 * and widths, so client code reads the same on both.
 */
#ifndef KAVSYN_H
#define KAVSYN_H

#ifdef _WIN32
#include <windows.h>
#define KAVAPI __declspec(dllexport)
#define KAVCALL WINAPI
#else
#include <stddef.h>
#include <stdint.h>

#ifndef KAV_WIN32_BASE_TYPES
#define KAV_WIN32_BASE_TYPES
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef void *LPVOID;
typedef void *HANDLE;
typedef HANDLE HGLOBAL;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__ *HWND;
typedef int HFILE;
typedef struct tagPOINT { LONG x; LONG y; } POINT;
/* A queued message, laid out as on Windows. */
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;
#define WM_NULL 0x0000
#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#endif /* KAV_WIN32_BASE_TYPES */

/* Exported with default visibility; the linker version script, generated
   from the KAVAPI declarations in this file, keeps everything else hidden. */
#define KAVAPI __attribute__((visibility("default")))
#define KAVCALL
#endif /* _WIN32 */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Error codes ------------------------------------------------------ */

#define SE_ERR_EXECBUSY        (-100)
#define SE_ERR_NOMEMORY        (-101)
#define SE_ERR_FREEMEMORY      (-102)
#define SE_ERR_NORULES         (-103)
#define SE_ERR_RULEABORT       (-104)
#define SE_ERR_BADDICT         (-105)
#define SE_ERR_DICTMAP         (-106)
#define SE_ERR_DICTCREATE      (-107)
#define SE_ERR_DICTUNMAP       (-108)
#define SE_ERR_DICTOPEN        (-109)
#define SE_ERR_NOFONT          (-110)
#define SE_ERR_FONTCOUNTS      (-111)
#define SE_ERR_FONTLOAD        (-112)
#define SE_ERR_NOPHONETICS     (-113)
#define SE_ERR_NOPHRASE        (-114)
#define SE_ERR_SPEAKING        (-116)
#define SE_ERR_WAVEFORMAT      (-117)
#define SE_ERR_NOWAVEDEVICE    (-118)
#define SE_ERR_WAVEFILEOPEN    (-119)
#define SE_ERR_WAVEFILEWRITE   (-120)
#define SE_ERR_WAVEBADDEVICE   (-121)
#define SE_ERR_WAVEBUSY        (-122)
#define SE_ERR_WAVEOPEN        (-123)
#define SE_ERR_WAVEWRITE       (-124)
#define SE_ERR_REGOPEN         (-125)
#define SE_ERR_REGQUERY        (-126)
#define SE_ERR_REGENUM         (-127)
#define SE_ERR_TEXTTOOLONG     (-128)
#define SE_ERR_TIMERCAPS       (-129)
#define SE_ERR_DLGARGS         (-131)
#define SE_ERR_THREAD          (-132)
#define SE_ERR_SYNTHBUSY       (-133)
#define SE_ERR_NOUSERDICT      (-200)

/* ---- Engine message codes (the wParam of the "Speech Engine" message) -- */

#define SE_BUFFERDONE   0
#define SE_PHRASEEND    100
#define SE_ABORT        0x700
#define SE_PAUSE        0x701
#define SE_RESUME       0x702
#define SE_RESET        0x703
#define SE_MOUTHDONE    0x705
#define SE_CLOSE        0x708
#define SE_TICK         0x709
#define SE_THREADEXIT   0x70C

/* Default wParams of the four client notifications. */
#define SE_NOTIFY_DONE      100
#define SE_NOTIFY_MOUTH     101
#define SE_NOTIFY_SYNC      102
#define SE_NOTIFY_BOOKMARK  103

/* wFlags bits. */
#define SE_FLAG_MOUTH       0x0001
#define SE_FLAG_SYNC        0x0002
#define SE_FLAG_BOOKMARK    0x0004
#define SE_FLAG_NOMSGBOX    0x0008

#define SE_MAX_RULE_PASSES  50
#define SE_PATH_SIZE        128

/* ---- The speech control block ---------------------------------------- */

/* Dictionary lookup hook: exact search of the current dictionary; returns the
   entry's record or NULL. */
typedef void *(*LPFNDICTLOOKUP)(const char *lpszKey, int nLength);

/* Fields in the engine's documented order.  Integers keep their 32-bit
   widths; pointers and handles are native width. */
typedef struct tagSCB {
    LONG      nPitch;
    LONG      nSpeed;
    LONG      nVolume;
    DWORD     uWaveDevice;
    HWND      hwndDone;
    DWORD     msgDone;
    DWORD     wParamDone;
    LONG      lParamDone;
    HWND      hwndMouth;
    DWORD     msgMouth;
    DWORD     wParamMouth;
    HWND      hwndSync;
    DWORD     msgSync;
    DWORD     wParamSync;
    LONG      lParamSync;
    HWND      hwndBookmark;
    DWORD     msgBookmark;
    DWORD     wParamBookmark;
    LONG      lParamBookmark;
    LONG      nStatus;
    LONG      nFontVersionMajor;
    LONG      nFontVersionMinor;
    DWORD     nMarkerChar;
    char      szFontPath[SE_PATH_SIZE];
    char      szFontModule[SE_PATH_SIZE];
    HMODULE   hFontModule;
    HGLOBAL   hRULE[SE_MAX_RULE_PASSES];
    HGLOBAL   hPassMask;
    HGLOBAL   hSentenceRule;
    LONG      nRulePasses;
    HGLOBAL   hSPEECH_HDR;
    HGLOBAL   hMouthShapes;
    HGLOBAL   hDeltaTable;
    HGLOBAL   hDEMI;
    HGLOBAL  *lphINST;
    LONG      nInst;
    HGLOBAL  *lphPCMD;
    LONG      nPcmd;
    DWORD     wFlags;
    char     *lpPhonetics;
    char     *lpNextText;
    char     *lpSentence;
    char     *lpWaveFileName;
    DWORD     dwMouthShape;
    DWORD     fMouthState;
    LPFNDICTLOOKUP lpfnDictLookup;
    DWORD     fDictActive;
    LONG      nDictCase;
    void     *lpDictTable;
    char     *lpDictPool;
    DWORD     nDictEntries;
    DWORD     nDictPoolSize;
    void     *lpDictView;
    char     *lpDictMapName;
    HFILE     hDictFile;
    HANDLE    hDictMapping;
    char      szDictFile[SE_PATH_SIZE];
    void     *lpSpeechHdr;
    DWORD     fDictInMemory;
    void     *lpDictStack;
    LONG      nDictStack;
    DWORD     fKernelDict;
    DWORD     fSynthBusy;
} SCB, *LPSCB;

/* Every export is declared as  KAVAPI <type> KAVCALL Name(args);  on one
   line: the build reads these lines to make the list of exported names. */

/* ---- Lifecycle and status -------------------------------------------- */

/* Opens the engine with the named registered font (NULL: the first one).
   Returns the SCB even when no font could be loaded (see SpeechStatus), or
   NULL when the engine could not get memory or its housekeeping thread. */
KAVAPI LPSCB KAVCALL OpenSpeech(HWND hwnd, WORD wFlags, LPCSTR lpszFontName);
/* Stops any phrase, unloads the font and frees the SCB. */
KAVAPI void KAVCALL CloseSpeech(LPSCB lpSCB);
/* Sets new flags and, when a name is given, replaces the font (-116 while a
   phrase is active). */
KAVAPI LONG KAVCALL ChangeSpeech(LPSCB lpSCB, WORD wFlags, LPCSTR lpszFontName);
/* 528 (0x0210). */
KAVAPI WORD KAVCALL SpeechVersion(void);
/* nStatus: 0 idle, 1 waiting to play, 2 playing, negative the last error. */
KAVAPI LONG KAVCALL SpeechStatus(LPSCB lpSCB);
/* Frees a phonetic string the engine returned: 0, or -1. */
KAVAPI LONG KAVCALL FreePhoneticsBuffer(LPSTR lpPhonetics);
/* 1 when the engine library can be loaded by name, else 0. */
KAVAPI BOOL KAVCALL KavrelPresent(void);

/* ---- Speech parameters and markers ----------------------------------- */

/* Parameter ids: 1 nVolume (-1, or 0..9), 2 nPitch and 3 nSpeed (-5..15),
   4..18 the notification targets (hwndDone, msgDone, wParamDone, lParamDone,
   hwndMouth, msgMouth, wParamMouth, hwndSync, msgSync, wParamSync,
   lParamSync, hwndBookmark, msgBookmark, wParamBookmark, lParamBookmark),
   19 the font version (read only: major in the low 16 bits, minor in the
   high 16), 20 uWaveDevice.  Set returns 0, -1 for an unknown id, -2 for a
   value out of range, -3 for id 19; Get returns 0, or -1 with 0 stored. */
KAVAPI LONG KAVCALL SetSpeechParameter(LPSCB lpSCB, WORD wId, LONG lValue);
KAVAPI LONG KAVCALL GetSpeechParameter(LPSCB lpSCB, WORD wId, LONG *lpValue);
/* The character that starts a bookmark in a phonetic string ('|' at first).
   SetMarkerType returns 1, or 0 for a character the phonetic syntax uses
   (\ S P ' " - D V [ ] space / i I ^), which is refused. */
KAVAPI CHAR KAVCALL GetMarkerType(LPSCB lpSCB);
KAVAPI LONG KAVCALL SetMarkerType(LPSCB lpSCB, CHAR cMarker);

/* ---- Phrases and speech controls ------------------------------------- */

/* Speaks a phonetic string on a thread of its own and returns at once: 0,
   or -113 (no string), -110 (no font), -132 (no thread).  The string must
   stay valid until the end-of-phrase message arrives.  Phrases of all SCBs
   play one after the other. */
KAVAPI LONG KAVCALL SpeakPhonetics(LPSCB lpSCB, LPSTR lpszPhonetics);
/* The controls act on the process's playing phrase; -114 when none is
   active.  AbortPhrase returns once the phrase has ended. */
KAVAPI LONG KAVCALL AbortPhrase(LPSCB lpSCB);
KAVAPI LONG KAVCALL PauseSpeech(LPSCB lpSCB);
KAVAPI LONG KAVCALL ResumeSpeech(LPSCB lpSCB);
/* Resumes a paused phrase, else stops it. */
KAVAPI LONG KAVCALL ResetSpeech(LPSCB lpSCB);
/* The client has drawn the last mouth shape: the next may be posted. */
KAVAPI LONG KAVCALL MouthRedrawComplete(LPSCB lpSCB);

/* ---- Say and sentences ------------------------------------------------ */

/* The next sentence of a text, as the font's sentence program splits it:
   from the start of lpszText, or (NULL) from where the previous call on
   this SCB stopped; NULL when the text is done or the program failed.  The
   string belongs to the engine and lives until the next call or
   CloseSpeech; the text must stay valid while it is walked (the engine
   only reads it). */
KAVAPI LPSTR KAVCALL NextSentence(LPSCB lpSCB, LPCSTR lpszText);

/* Speaks a whole text sentence by sentence, converting the next sentence
   while the current one plays; returns when the last has ended: 0, or the
   first negative status met.  The end-of-phrase target's messages are
   taken from the caller's queue while it runs. */
KAVAPI LONG KAVCALL Say(LPSCB lpSCB, LPCSTR lpszText);

/* ---- Text to phonetics ------------------------------------------------ */

/* The phonetic string of a text (below 8192 bytes) through the font's rule
   passes: with intonation and pauses when wFlag's low 16 bits are 0, a plain
   transcription otherwise.  Free it with FreePhoneticsBuffer; NULL when there
   is no text, no font, or the conversion failed. */
KAVAPI char * KAVCALL TextToPhonetics(LPSCB lpSCB, const char *lpszText, UINT wFlag);

/* ---- Dictionaries ----------------------------------------------------- */

/* What DictFind and DictGetEntry hand out: the entry's tag and pointers to
   its key and pronunciation inside the dictionary's own storage, valid until
   that dictionary is changed, closed or replaced.  Each function keeps one
   such record per process and overwrites it on every call: copy what you
   need before the next call.  On 32-bit Windows it is the packed 10-byte
   record; elsewhere its pointers keep their natural alignment, so that they
   can be used like any other pointer. */
#ifdef _WIN32
#pragma pack(push, 1)
#endif
typedef struct tagDictEntry {
    WORD  wTag;
    char *lpszKey;
    char *lpszPronunciation;
} DictEntry, *LPDICTENTRY;
#ifdef _WIN32
#pragma pack(pop)
#endif

/* Without a path: closes the current dictionary (the one below becomes
   current); with one: opens that file in place of the current dictionary, or
   above the font's kernel dictionary when there is no other. */
KAVAPI LONG KAVCALL DictNew(LPSCB lpSCB, LPCSTR lpszPath);
/* Pushes the file's dictionary, or a new empty one without a path. */
KAVAPI LONG KAVCALL DictAdd(LPSCB lpSCB, LPCSTR lpszPath);
KAVAPI LPDICTENTRY KAVCALL DictFind(LPSCB lpSCB, LPCSTR lpszKey);
KAVAPI LPDICTENTRY KAVCALL DictGetEntry(LPSCB lpSCB, WORD wIndex);
KAVAPI WORD KAVCALL DictNumEntries(LPSCB lpSCB);
/* Adds or replaces an entry of the current dictionary (never the kernel
   dictionary); the change lives in memory until DictSave. */
KAVAPI LONG KAVCALL DictInsert(LPSCB lpSCB, LPCSTR lpszKey, LPCSTR lpszPronunciation, WORD wTag);
KAVAPI LONG KAVCALL DictDelete(LPSCB lpSCB, LPCSTR lpszKey);
/* Turns dictionary lookups on (non-zero) or off; returns 0. */
KAVAPI LONG KAVCALL DictActivate(LPSCB lpSCB, BOOL fActive);
/* Writes the current dictionary to the file; a failed save leaves any
   previous file as it was. */
KAVAPI LONG KAVCALL DictSave(LPSCB lpSCB, LPCSTR lpszPath);

/* ---- Writing speech to a WAVE file ------------------------------------ */

/* Speaks a phonetic string into a RIFF WAVE file in the font's sample
   format, synchronously.  Returns SE_ERR_SYNTHBUSY while any phrase or write
   holds synthesis, SE_ERR_NOFONT without a font, else 0; errors met while
   writing are left in nStatus. */
KAVAPI LONG KAVCALL WritePhonetics(LPSCB lpSCB, LPSTR lpszPhonetics, LPSTR lpszFileName);

/* ---- Linux client support (Kav prefix: not Windows functions) --------- */

#ifndef _WIN32
/* Receives every message box the engine would show (caption, text, style)
   instead of the default line "CAPTION: text" on standard error.  NULL
   restores the default. */
typedef void (*KAVMSGBOXHOOK)(const char *lpszCaption, const char *lpszText, UINT uStyle);
KAVAPI void KAVCALL KavSetMessageBoxHook(KAVMSGBOXHOOK lpfnHook);

/* Windows for the engine's notifications.  A client gives OpenSpeech a window
   made here; the engine posts its notifications to it, and the thread that
   made the window receives them by pumping its message queue:

       while (KavGetMessage(&msg, NULL, 0, 0) > 0) KavDispatchMessage(&msg);

   A window belongs to the thread that created it; only that thread receives
   its messages, dispatches them and may destroy it.  Window handles are small
   integers (they fit in 32 bits).  When the thread ends, its windows go with
   it and posts to them fail.  KavGetMessage returns 0 when it retrieves
   WM_QUIT (post one to your own window to end the loop above) and -1 on an
   invalid window filter.  The functions behave as the Windows functions
   GetMessage, PeekMessage, DispatchMessage and PostMessage. */
typedef LRESULT (*KAVWNDPROC)(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam, void *lpUserData);
KAVAPI HWND KAVCALL KavCreateWindow(KAVWNDPROC lpfnWndProc, void *lpUserData);
KAVAPI BOOL KAVCALL KavDestroyWindow(HWND hwnd);
KAVAPI BOOL KAVCALL KavGetMessage(MSG *lpMsg, HWND hwnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
KAVAPI BOOL KAVCALL KavPeekMessage(MSG *lpMsg, HWND hwnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
KAVAPI LRESULT KAVCALL KavDispatchMessage(const MSG *lpMsg);
KAVAPI BOOL KAVCALL KavPostMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
#endif

/* The engine's message text for an error code, as its message boxes show
   it ("Unexpected error" for a code without one). */
KAVAPI LPCSTR KAVCALL KavErrorText(LONG nCode);

/* One registered speech font, as KavEnumSpeechFonts reports it. */
typedef struct tagKAVFONTINFO {
    char szName[SE_PATH_SIZE];        /* the font's registry name */
    char szDescription[256];          /* its "Description", cut to fit */
    char szModule[SE_PATH_SIZE];      /* the module file it loads from */
    LONG nVersionMajor;               /* VERSIONNUMBER; -1 when absent or */
    LONG nVersionMinor;               /*   when the module did not open */
    LONG nStatus;                     /* 0 when the font loads, else the error */
} KAVFONTINFO;
/* Called once per font, in registry order; FALSE stops the enumeration. */
typedef BOOL (*KAVFONTENUMPROC)(const KAVFONTINFO *lpInfo, LPARAM lParam);
/* Loads each registered font in turn (process-wide settings are left as
   they were) and reports it.  Returns the number of fonts reported, or
   -125/-126/-127 when the registry key cannot be opened, queried or
   enumerated. */
KAVAPI LONG KAVCALL KavEnumSpeechFonts(KAVFONTENUMPROC lpfnEnum, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif /* KAVSYN_H */
