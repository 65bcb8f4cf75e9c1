// Runs the kavrel program as a user runs it, with a given registry file;
// standard error joins standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kavtest {

struct Outcome {
    int status;
    std::string out;
};

// A shell command's exit status and its output, standard error included.
inline Outcome Shell(const std::string &cmd) {
    FILE *p = popen((cmd + " 2>&1").c_str(), "r");
    Outcome r{-1, ""};
    if (p == nullptr) return r;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) r.out += buf;
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// wave chooses the sound device (KAVREL_WAVEOUT); by default there is none.
inline Outcome Kavrel(const std::string &args, const std::string &registry, const std::string &wave = "none") {
    return Shell("KAVREL_WAVEOUT=" + wave + " KAVREL_REGISTRY='" + registry + "' " KAVREL_BINARY_DIR "/bin/kavrel " +
                 args);
}

}  // namespace kavtest
