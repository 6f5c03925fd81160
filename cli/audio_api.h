/* The command line's door to the audio engine: a library of its own
   (libcuemark_audio.so) that `cuemark-cli speech` and `sync` open, so that
   the other commands never load FFmpeg and the hundred libraries behind it. */
#ifndef CUEMARK_AUDIO_API_H
#define CUEMARK_AUDIO_API_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CM_API __attribute__((visibility("default")))

/* Finds where people speak in `media` with the detector's aggressiveness
   `mode` (0 to 3; -1 for the engine's default), from the cache when it
   holds them. 0: *intervals holds *count pairs (start, end) in seconds and
   *duration the sound's length. 1: *reason says why the file gives no
   sound. -1: out of memory. Free what it returns with cm_audio_free. */
CM_API int cm_find_speech(const char* media, int mode, double** intervals, size_t* count, double* duration,
                          char** reason);

/* Titles first..last (0-based, both included) move by new = old * factor + offset. */
struct cm_segment {
    size_t first;
    size_t last;
    double offset;
};

struct cm_sync {
    int found; /* 0: not sure enough; `why` says why */
    double factor;
    double fit;        /* the share of the titles' time on the reference */
    double peak_ratio; /* how far the map stands above the next best */
    size_t segment_count;
    struct cm_segment* segments;
    char* why;   /* "" when found */
    char* words; /* the proposal in words */
};

/* Places `title_count` titles (pairs start, end) on `reference_count`
   reference intervals. 0: *result is filled (free its segments, why and
   words with cm_audio_free). -1: out of memory. */
CM_API int cm_align(const double* titles, size_t title_count, const double* reference, size_t reference_count,
                    int split, double max_offset, struct cm_sync* result);

CM_API void cm_audio_free(void* buffer);

#undef CM_API

#ifdef __cplusplus
}
#endif

#endif
