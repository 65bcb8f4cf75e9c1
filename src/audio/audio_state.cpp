#include "audio/audio_state.h"

namespace kav {

AudioState g_audio;
std::atomic<LONG> g_nSpeechThreads{0};

}  // namespace kav
