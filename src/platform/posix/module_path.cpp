// Module paths: Windows separators and case-blind file names on a file
// system that has neither.  Only ASCII letters are folded: names on disk are
// usually UTF-8, whose bytes must not be mistaken for Windows-1252 letters.
#include "platform/posix/module_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace kav::posix {

namespace {

bool SameIgnoringAsciiCase(const std::string &a, const char *b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 0x20);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 0x20);
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string ResolveModulePath(const char *path) {
    std::string full(path);
    std::replace(full.begin(), full.end(), '\\', '/');
    size_t slash = full.rfind('/');
    std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return {};

    struct stat st;
    if (stat(full.c_str(), &st) == 0) return full;

    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : full.substr(0, slash);
    DIR *d = opendir(dir.c_str());
    if (d == nullptr) return {};
    // Several names may match (KAL16.DLL and kal16.dll side by side): take
    // the smallest, so the choice does not depend on directory order.
    std::string best;
    while (dirent *e = readdir(d)) {
        if (SameIgnoringAsciiCase(name, e->d_name) && (best.empty() || best > e->d_name))
            best = e->d_name;
    }
    closedir(d);
    if (best.empty()) return {};
    return slash == std::string::npos ? best : full.substr(0, slash + 1) + best;
}

}  // namespace kav::posix
