// Thread message queues and windows as message targets.
//
// Every thread has a message queue, made when the thread starts (threads of
// CreateThread) or on its first call into this layer (other threads).  A
// window belongs to the thread that created it (KavCreateWindow); a message
// posted to a window goes to its owner's queue.  Posting to a thread that has
// ended, or never existed, fails and drops the message.
#pragma once

#include "win32_types.h"

#define WM_APP 0x8000
#define PM_NOYIELD 0x0002

// A queue holds at most this many messages; further posts fail, as on
// Windows, so a thread that stopped reading cannot eat the process's memory.
#define KAV_MESSAGE_QUEUE_LIMIT 10000

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Filters: hWnd NULL takes every message of the thread, (HWND)-1 only thread
// messages, a window only that window's messages; a range of 0, 0 takes every
// message.  WM_QUIT is taken whatever the filters.
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL WaitMessage();
void PostQuitMessage(int nExitCode);
LRESULT DispatchMessageA(const MSG *lpMsg);
// Numbers from 0xC000 up; the same name, compared without regard to case,
// always yields the same number.  0 for an empty name or a full table.
UINT RegisterWindowMessageA(LPCSTR lpString);
