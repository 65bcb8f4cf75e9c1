#include "speech_writer.h"

#include "voice_session.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kavrel {
namespace {

// TextToPhonetics takes texts below this many bytes.
constexpr size_t kMaxPiece = 8191;
// Texts longer than this show their progress.
constexpr size_t kProgressAfter = 2000;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A sentence in pieces the converter takes: a sentence program may let
// a text without sentence ends through whole, up to its window of 32000
// characters.  Each piece ends at the last white space that keeps it
// short enough, or is cut hard when there is none.  Pieces of white space
// only are left out: there is nothing in them to say.
std::vector<std::string> SpeakablePieces(const char *sentence) {
    std::vector<std::string> pieces;
    std::string rest = sentence;
    while (!rest.empty()) {
        size_t cut = rest.size();
        if (cut > kMaxPiece) {
            cut = kMaxPiece;
            for (size_t i = kMaxPiece; i > 0; --i) {
                if (IsBlank(rest[i])) {
                    cut = i;
                    break;
                }
            }
        }
        std::string piece = rest.substr(0, cut);
        rest.erase(0, cut);
        bool blank = true;
        for (char c : piece) blank = blank && IsBlank(c);
        if (!blank) pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::string Clock(double seconds) {
    const long s = static_cast<long>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

}  // namespace

SpeechWriter::~SpeechWriter() {
    if (ownsOut_ && out_ != nullptr) std::fclose(out_);
    if (tempFd_ >= 0) close(tempFd_);
    if (tempOnDisk_) std::remove(temp_.c_str());
}

bool SpeechWriter::OpenFile(const char *path, std::string *error) {
    FILE *out = std::fopen(path, "wb");
    if (out == nullptr) {
        *error = std::string(path) + ": " + std::strerror(errno);
        return false;
    }
    ownsOut_ = true;
    return Open(out, true, error);
}

// A reader that goes away (| head) must end the command with a message,
// not kill it before it removed its temporary file.
bool SpeechWriter::OpenStdout(std::string *error) {
    std::signal(SIGPIPE, SIG_IGN);
    return Open(stdout, false, error);
}

// The temporary file is an anonymous file in memory, named for
// WritePhonetics by its /proc/self/fd path: a whole book passes through it
// a sentence at a time, and it never reaches a disk nor outlives the
// command.  Without memfd it is an ordinary temporary file.
bool SpeechWriter::Open(FILE *out, bool seekable, std::string *error) {
    out_ = out;
    joiner_ = std::make_unique<WaveJoiner>(out, seekable);
    tempFd_ = memfd_create("kavrel-say", MFD_CLOEXEC);
    if (tempFd_ >= 0) {
        temp_ = "/proc/self/fd/" + std::to_string(tempFd_);
        return true;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "kavrel-say-XXXXXX.wav").string();
    tempFd_ = mkstemps(pattern.data(), 4);
    if (tempFd_ < 0) {
        *error = "cannot make a temporary file: " + std::string(std::strerror(errno));
        return false;
    }
    temp_ = pattern;
    tempOnDisk_ = true;
    return true;
}

// WritePhonetics wrote the file anew through its own descriptor; this one
// reads what is there now.
bool SpeechWriter::ReadTemp(std::string *error) {
    struct stat st;
    if (fstat(tempFd_, &st) != 0) {
        *error = "the temporary file: " + std::string(std::strerror(errno));
        return false;
    }
    phrase_.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < phrase_.size()) {
        const ssize_t n = pread(tempFd_, phrase_.data() + got, phrase_.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    phrase_.resize(got);
    return true;
}

bool SpeechWriter::WritePhrase(const char *phonetics, std::string *error, bool samples) {
    std::string phrase = phonetics;
    LONG rc = WritePhonetics(scb_, phrase.data(), temp_.data());
    // A refusal comes back as the result; a failure met while writing is
    // left in the SCB's status.
    if (rc == 0) rc = SpeechStatus(scb_);
    if (rc != 0) {
        *error = EngineMessage(rc);
        return false;
    }
    if (!ReadTemp(error) || !joiner_->Append(phrase_, samples, error)) return false;
    if (!ownsOut_ && std::fflush(out_) != 0) {
        *error = std::string("standard output: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool SpeechWriter::WriteText(const std::string &text, std::string *error) {
    const bool progress = text.size() > kProgressAfter && isatty(STDERR_FILENO);
    size_t sentences = 0;
    for (const char *s = NextSentence(scb_, text.c_str()); s != nullptr; s = NextSentence(scb_, nullptr)) {
        ++sentences;
        for (const std::string &piece : SpeakablePieces(s)) {
            char *phonetics = TextToPhonetics(scb_, piece.c_str(), 0);
            if (phonetics == nullptr) {
                *error = "sentence " + std::to_string(sentences) + " could not be converted: '" + piece.substr(0, 60) +
                         (piece.size() > 60 ? "...'" : "'");
                return false;
            }
            const bool ok = WritePhrase(phonetics, error);
            FreePhoneticsBuffer(phonetics);
            if (!ok) return false;
        }
        if (progress) {
            const char *next = scb_->lpNextText;
            ShowProgress(next == nullptr ? text.size() : static_cast<size_t>(next - text.c_str()), text.size(), false);
        }
    }
    if (progress) ShowProgress(text.size(), text.size(), true);
    return true;
}

void SpeechWriter::ShowProgress(size_t done, size_t total, bool last) const {
    const uint32_t rate = joiner_->ByteRate();
    const double seconds = rate == 0 ? 0 : static_cast<double>(joiner_->DataBytes()) / rate;
    std::fprintf(stderr, "\rkavrel: %3zu%% of the text, %s of speech%s", total == 0 ? 100 : done * 100 / total,
                 Clock(seconds).c_str(), last ? "\n" : "");
}

bool SpeechWriter::Finish(std::string *error) {
    // The empty phrase gives the format; its bit of silence is left out.
    if (joiner_->ByteRate() == 0 && !WritePhrase("", error, false)) return false;
    if (!joiner_->Finish(error)) return false;
    if (ownsOut_) {
        const int rc = std::fclose(out_);
        out_ = nullptr;
        if (rc != 0) {
            *error = std::string("closing the WAVE file: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace kavrel
