// Result codes of the multimedia services (wave output and timers), with
// their Windows values: the engine maps some of them to its own errors.
#pragma once

#include "win32_types.h"

typedef UINT MMRESULT;

#define MMSYSERR_NOERROR      0
#define MMSYSERR_ERROR        1
#define MMSYSERR_BADDEVICEID  2
#define MMSYSERR_NOTENABLED   3
#define MMSYSERR_ALLOCATED    4
#define MMSYSERR_INVALHANDLE  5
#define MMSYSERR_NODRIVER     6
#define MMSYSERR_NOMEM        7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_BADERRNUM    9
#define MMSYSERR_INVALFLAG    10
#define MMSYSERR_INVALPARAM   11
#define MMSYSERR_HANDLEBUSY   12

#define WAVERR_BADFORMAT      32
#define WAVERR_STILLPLAYING   33
#define WAVERR_UNPREPARED     34
#define WAVERR_SYNC           35

#define TIMERR_NOERROR        0
#define TIMERR_NOCANDO        97
#define TIMERR_STRUCT         129
