/* The command line's door to the audio engine: a library of its own
   (libcuemark_speech.so) that `cuemark-cli speech` opens, so that the other
   commands never load FFmpeg and the hundred libraries behind it. */
#ifndef CUEMARK_SPEECH_API_H
#define CUEMARK_SPEECH_API_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Finds where people speak in `media` with the detector's aggressiveness
   `mode` (0 to 3; -1 for the engine's default), from the cache when it
   holds them. 0: *intervals holds *count pairs (start, end) in seconds and
   *duration the sound's length. 1: *reason says why the file gives no
   sound. -1: out of memory. Free what it returns with cm_speech_free. */
__attribute__((visibility("default"))) int cm_find_speech(const char* media, int mode, double** intervals,
                                                          size_t* count, double* duration, char** reason);
__attribute__((visibility("default"))) void cm_speech_free(void* buffer);

#ifdef __cplusplus
}
#endif

#endif
