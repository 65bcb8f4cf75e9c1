#include "synth/unit_sequencer.h"

#include "synth/prosody.h"

namespace kav {

SynthesisPhrase g_phrase;

namespace {
enum class Phase { kParse, kOutgoing, kMouth, kIncoming, kPause };
enum class Pending { kNone, kPause, kJustPaused };

constexpr LONG kNoCursor = -1;

struct Sequencer {
    Phase phase = Phase::kParse;
    LONG cursor = kNoCursor;  // frame last emitted from the unit in progress
    DWORD prev = 0;
    DWORD cur = 0;
    Pending pending = Pending::kNone;
    LONG pauseMs = 0;
    bool ended = true;
    const char *pos = nullptr;
};
Sequencer s;

// Loads frame i as a record; false (and no unit in progress) when the frame
// cannot be played, which only an unchecked font can cause.
bool EmitFrame(DWORD i, SynthRecord *out) {
    FrameRecord f;
    if (!g_phrase.font.Frame(i, &f)) {
        s.cursor = kNoCursor;
        return false;
    }
    s.cursor = (f.flags & kFrameUnitEnd) ? kNoCursor : static_cast<LONG>(i);
    if (f.length > kMaxFrameBytes) f.length = kMaxFrameBytes;
    if (g_phrase.font.sixteenBit) f.length &= ~1u;
    if (f.length == 0) return false;
    out->type = SynthRecordType::kFrame;
    out->frame = SynthFrame{f, 0, 0, 0, 0};
    SetFrameValues(&out->frame);
    return true;
}

// Interprets a token read in the parse phase; true when it made a record.
bool Interpret(const PhoneticToken &t, SynthRecord *out) {
    switch (t.type) {
        case TokenType::kPhoneme:
            s.prev = s.cur;
            s.cur = static_cast<DWORD>(t.value);
            s.phase = Phase::kOutgoing;
            return false;
        case TokenType::kPause:
            s.prev = s.cur;
            s.cur = 0;
            s.pending = Pending::kPause;
            s.pauseMs = t.value;
            s.phase = Phase::kOutgoing;
            return false;
        case TokenType::kEnd:
            s.ended = true;
            s.prev = s.cur;
            s.cur = 0;
            s.phase = Phase::kOutgoing;
            return false;
        case TokenType::kVolume:
        case TokenType::kBookmark:
            out->type = t.type == TokenType::kVolume ? SynthRecordType::kVolume : SynthRecordType::kBookmark;
            out->value = t.value;
            return true;
        case TokenType::kSync:
            out->type = SynthRecordType::kSync;
            return true;
        default:
            ProsodyToken(t);
            return false;
    }
}
}  // namespace

void StartSequencer(const char *phonetics) {
    s = Sequencer{};
    s.ended = false;
    s.pos = phonetics;
}

const char *SequencerPosition() { return s.pos; }
DWORD SequencerPhoneme() { return s.cur; }

bool NextSynthRecord(SynthRecord *out) {
    for (;;) {
        if (s.cursor != kNoCursor) {
            if (EmitFrame(static_cast<DWORD>(s.cursor) + 1, out)) return true;
            continue;
        }
        DWORD unit = kNoUnit;
        switch (s.phase) {
            case Phase::kOutgoing:
                if (s.pending == Pending::kJustPaused) {
                    // Out of a pause the outgoing unit (and the mouth shape) is not played.
                    s.pending = Pending::kNone;
                    s.phase = Phase::kIncoming;
                    continue;
                }
                unit = g_phrase.font.Unit(false, s.prev, s.cur);
                s.phase = Phase::kMouth;
                break;
            case Phase::kMouth:
                // A negative pause counts as none.
                s.phase = s.pending == Pending::kPause && s.pauseMs >= 0 ? Phase::kPause : Phase::kIncoming;
                out->type = SynthRecordType::kMouth;
                g_phrase.font.MouthShape(s.cur, out->mouth);
                return true;
            case Phase::kIncoming:
                unit = g_phrase.font.Unit(true, s.prev, s.cur);
                s.phase = Phase::kParse;
                break;
            case Phase::kPause:
                out->type = SynthRecordType::kPause;
                out->value = s.pauseMs;
                s.pending = Pending::kJustPaused;
                s.phase = Phase::kParse;
                return true;
            case Phase::kParse:
                if (s.ended) return false;
                if (Interpret(ReadPhoneticToken(s.pos, g_phrase.tokens), out)) return true;
                continue;
        }
        if (unit != kNoUnit && EmitFrame(unit, out)) return true;
    }
}

}  // namespace kav
