// The buffers of one rule pass: the two text views (input text and work
// copy), the mark list of the current match attempt, the edit list, and the
// output assembled from them at the end.  The input is never written; a
// rule's effect is a cleared span in the work copy plus an insertion record.
//
// Every block comes from the engine's memory blocks.  An allocation that
// fails, or a list or text that would outgrow 16-bit positions, throws
// PassAbort(-104): the executor's recovery then releases the workspace.
#pragma once

#include "platform/platform.h"

namespace kav::rules {

// Ends a pass from anywhere inside it with the given status.
struct PassAbort {
    LONG code;
};

struct Span {
    WORD start;   // 0xFFFF when there is no such mark
    WORD length;
};

class PassWorkspace {
public:
    PassWorkspace() = default;
    PassWorkspace(const PassWorkspace &) = delete;
    PassWorkspace &operator=(const PassWorkspace &) = delete;

    // ---- Text views.  Positions up to Length() (the NUL) read the view;
    // beyond it a view reads as NUL, so no region, however made, reads
    // outside the text.
    void MakeWorkCopy(const BYTE *input, WORD length);
    void FreeWorkCopy();
    void EnterRuleMode() { foreachMode_ = false; }
    void EnterForeachMode() {
        foreachMode_ = true;
        view_ = input_;
    }
    void ViewWorkCopy() {
        if (!foreachMode_) view_ = work_;
    }
    void ViewInput() { view_ = input_; }
    const BYTE *View() const { return view_; }
    void SetView(const BYTE *view) { view_ = view; }
    WORD Length() const { return length_; }
    BYTE At(DWORD pos) const { return pos <= length_ ? view_[pos] : 0; }
    // Bytes readable from pos on (through the NUL), and a pointer to them.
    int Readable(DWORD pos) const { return pos <= length_ ? length_ + 1 - static_cast<int>(pos) : 0; }
    const BYTE *From(DWORD pos) const { return pos <= length_ ? view_ + pos : view_ + length_; }
    // Clears length bytes of the work copy from start (within the text).
    void ClearSpan(WORD start, WORD length);
    // One of the n bytes of the view from start on is NUL (false for n <= 0).
    bool HasNul(DWORD start, int n) const;

    // ---- Marks: captures and tags of the current match attempt.
    void InitMarks();
    void AddCapture(WORD id, WORD start, WORD length);
    // An owned value is a block that the list frees (dictionary references).
    void AddTag(WORD id, WORD start, WORD length, const char *value, bool owned = false);
    Span FindCapture(WORD id) const;
    Span FindTagSpan(WORD id) const;
    const char *FindTagValue(WORD id) const;
    void ClearMarks() {
        if (markCount_ != 0) ReleaseMarkValues();
    }
    void FreeMarks();

    // ---- Edits and output.
    void InitEdits();
    // Inserts source (cut at length bytes or its first NUL) before position.
    void AddEdit(WORD statement, WORD position, const BYTE *source, DWORD length);
    // The output text from the input and the current view (the work copy),
    // owned by the caller; the edit list is released.
    char *BuildOutput();
    void ReleaseEdits();

    // Counts every change that can alter later matching or the output: a
    // byte newly cleared, an edit record added or extended.
    DWORD Changes() const { return changes_; }

private:
    struct Mark {
        BYTE kind;   // kCaptureMark or kTagMark
        BYTE owned;  // the value is a block of the list's
        WORD id;
        WORD start;
        WORD length;
        const char *value;
    };
    struct Edit {
        WORD statement;
        WORD position;
        DWORD text;    // offset of the string in the text store
        DWORD length;
    };

    Mark *NewMark();
    void ReleaseMarkValues();
    const Mark *Newest(BYTE kind, WORD id) const;
    void AppendOutput(const BYTE *bytes, DWORD n);

    const BYTE *input_ = nullptr;
    BYTE *work_ = nullptr;
    const BYTE *view_ = nullptr;
    WORD length_ = 0;
    bool foreachMode_ = false;

    Mark *marks_ = nullptr;
    DWORD markCount_ = 0, markCapacity_ = 0;

    // Edit strings live one after another in one growing block: a record's
    // text is never moved apart from its record, and merging into the newest
    // record is an append at the end.  The output is the same as with a
    // block per record, at a handful of allocations per pass.
    Edit *edits_ = nullptr;
    DWORD editCount_ = 0, editCapacity_ = 0;
    BYTE *texts_ = nullptr;
    DWORD textUsed_ = 0, textCapacity_ = 0;
    WORD *sorted_ = nullptr;

    BYTE *output_ = nullptr;
    DWORD outputUsed_ = 0, outputCapacity_ = 0;

    DWORD changes_ = 0;
};

}  // namespace kav::rules
