#pragma once
// The WebRTC voice detector's C functions. libwebrtc-audio-processing
// exports them but installs no header; audio/CMakeLists.txt checks at
// configure time that these declarations link.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct WebRtcVadInst VadInst;

// A new detector, or NULL when out of memory; Init before use.
VadInst* WebRtcVad_Create(void);
void WebRtcVad_Free(VadInst* handle);
// 0 on success, -1 on error.
int WebRtcVad_Init(VadInst* handle);
// Aggressiveness 0 (least) to 3 (most); 0 on success, -1 on error.
int WebRtcVad_set_mode(VadInst* handle, int mode);
// One frame of 10, 20 or 30 ms of 16-bit mono at 8, 16, 32 or 48 kHz:
// 1 speech, 0 not, -1 error.
int WebRtcVad_Process(VadInst* handle, int fs, const int16_t* audio_frame, size_t frame_length);

#ifdef __cplusplus
}
#endif
