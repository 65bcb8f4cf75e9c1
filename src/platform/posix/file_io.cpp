// Files by OpenFile handle over POSIX descriptors: an HFILE is the file
// descriptor itself, and the same number cast to a HANDLE is what
// GetFileSize and CreateFileMappingA take, as on Windows.
#include "platform/fault.h"
#include "platform/posix/fault_countdown.h"
#include "platform/posix/file_fault.h"
#include "platform/win32_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

kav::posix::FaultCountdown g_fileFault;

std::string PosixPath(LPCSTR path) {
    std::string s(path);
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

int Descriptor(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }

void SetError(LPOFSTRUCT ofs, int err) {
    if (ofs != nullptr) ofs->nErrCode = static_cast<WORD>(err);
}

}  // namespace

namespace kav::posix {
bool InjectFileFailure() { return g_fileFault.Fire(); }
}  // namespace kav::posix

namespace kav::fault {
void FailFileOperationAfter(long n) {
    g_fileFault.Arm(n);
}
long FileOperationsSinceArmed() { return g_fileFault.Passed(); }
}  // namespace kav::fault

HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle) {
    if (lpReOpenBuff != nullptr) std::memset(lpReOpenBuff, 0, sizeof *lpReOpenBuff);
    if (lpFileName == nullptr || std::strlen(lpFileName) >= OFS_MAXPATHNAME) {
        SetError(lpReOpenBuff, ENAMETOOLONG);
        return HFILE_ERROR;
    }
    if (kav::posix::InjectFileFailure()) {
        SetError(lpReOpenBuff, EIO);
        return HFILE_ERROR;
    }
    const std::string path = PosixPath(lpFileName);
    int flags = O_CLOEXEC;
    switch (uStyle & 3u) {
        case OF_WRITE: flags |= O_WRONLY; break;
        case OF_READWRITE: flags |= O_RDWR; break;
        default: flags |= O_RDONLY; break;
    }
    const bool create = (uStyle & OF_CREATE) != 0;
    if (create) {
        if ((flags & O_ACCMODE) == O_RDONLY) flags = (flags & ~O_ACCMODE) | O_RDWR;
        flags |= O_CREAT;  // truncated below, once the sharing lock is held
    }
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        SetError(lpReOpenBuff, errno);
        return HFILE_ERROR;
    }
    // Exclusive sharing is an advisory lock that every OpenFile honours, so a
    // second exclusive opener fails instead of writing into the same file.
    if ((uStyle & 0x70u) == OF_SHARE_EXCLUSIVE && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        SetError(lpReOpenBuff, errno);
        close(fd);
        return HFILE_ERROR;
    }
    if (create && ftruncate(fd, 0) != 0) {
        SetError(lpReOpenBuff, errno);
        close(fd);
        return HFILE_ERROR;
    }
    if (lpReOpenBuff != nullptr) {
        lpReOpenBuff->cBytes = sizeof *lpReOpenBuff;
        lpReOpenBuff->fFixedDisk = 1;
        std::snprintf(lpReOpenBuff->szPathName, sizeof lpReOpenBuff->szPathName, "%s", lpFileName);
    }
    return fd;
}

HFILE _lclose(HFILE hFile) { return close(hFile) == 0 ? 0 : HFILE_ERROR; }

UINT _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) {
    auto *p = static_cast<char *>(lpBuffer);
    UINT done = 0;
    while (done < uBytes) {
        const ssize_t n = read(hFile, p + done, uBytes - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return static_cast<UINT>(HFILE_ERROR);
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

UINT _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes) {
    if (kav::posix::InjectFileFailure()) uBytes /= 2;  // then report the short count
    UINT done = 0;
    while (done < uBytes) {
        const ssize_t n = write(hFile, lpBuffer + done, uBytes - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done > 0 ? done : static_cast<UINT>(HFILE_ERROR);
        done += static_cast<UINT>(n);
    }
    return done;
}

LONG _llseek(HFILE hFile, LONG lOffset, int iOrigin) {
    const int whence = iOrigin == FILE_END ? SEEK_END : iOrigin == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    const off_t pos = lseek(hFile, lOffset, whence);
    return (pos < 0 || pos > 0x7FFFFFFF) ? HFILE_ERROR : static_cast<LONG>(pos);
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    struct stat st;
    if (fstat(Descriptor(hFile), &st) != 0) return INVALID_FILE_SIZE;
    const auto size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh != nullptr) {
        *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    } else if ((size >> 32) != 0) {
        return INVALID_FILE_SIZE;
    }
    return static_cast<DWORD>(size);
}

// Within one file system rename() replaces the target atomically: a reader
// sees the old file or the new one, never a mix, and a view already mapped
// keeps the old file's pages.
BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (kav::posix::InjectFileFailure()) return FALSE;
    const std::string from = PosixPath(lpExistingFileName);
    const std::string to = PosixPath(lpNewFileName);
    if (dwFlags & MOVEFILE_REPLACE_EXISTING) return rename(from.c_str(), to.c_str()) == 0 ? TRUE : FALSE;
    if (link(from.c_str(), to.c_str()) != 0) return FALSE;  // fails when the target exists
    unlink(from.c_str());
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) { return unlink(PosixPath(lpFileName).c_str()) == 0 ? TRUE : FALSE; }
