#include "synth/speech_events.h"

#include "synth/record_queue.h"

#include <cstring>
#include <mutex>

namespace kav {

namespace {
std::mutex g_lock;
RecordQueue *g_events = nullptr;
}  // namespace

bool CreateEventQueue() {
    RecordQueue *q = CreateRecordQueue(sizeof(SpeechEvent));
    std::lock_guard<std::mutex> hold(g_lock);
    DestroyRecordQueue(g_events);
    g_events = q;
    return q != nullptr;
}

void DestroyEventQueue() {
    std::lock_guard<std::mutex> hold(g_lock);
    DestroyRecordQueue(g_events);
    g_events = nullptr;
}

int PushSpeechEvent(const SpeechEvent &event) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_events == nullptr) return -1;
    return PushRecord(g_events, &event);
}

bool PeekSpeechEvent(SpeechEvent *event) {
    std::lock_guard<std::mutex> hold(g_lock);
    const void *front = g_events != nullptr ? PeekRecord(g_events) : nullptr;
    if (front == nullptr) return false;
    std::memcpy(event, front, sizeof *event);
    return true;
}

bool PopSpeechEvent(SpeechEvent *event) {
    std::lock_guard<std::mutex> hold(g_lock);
    const void *front = g_events != nullptr ? PeekRecord(g_events) : nullptr;
    if (front == nullptr) return false;
    if (event != nullptr) std::memcpy(event, front, sizeof *event);
    PopRecord(g_events);
    return true;
}

}  // namespace kav
