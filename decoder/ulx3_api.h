/*
 * The entry points of the Layer III decoder library "ulx3.so", as its callers bind them.
 * The library holds one stream per process; StreamInfo lives inside it until the next InitUlx.
 * All entry points work on that one stream and must be called from one thread at a time.
 */
#ifndef LUMISETT_ULX3_API_H
#define LUMISETT_ULX3_API_H

#include <stdint.h>

#if defined(__GNUC__)
#define ULX3_EXPORT __attribute__((visibility("default")))
#else
#define ULX3_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Stream properties, in a fixed little-endian layout with natural alignment (24 bytes). */
typedef struct StreamInfo {
    int16_t version;          /* 1 MPEG-1, 2 MPEG-2 */
    int16_t layer;            /* always 3 */
    int16_t channels;         /* 1 or 2 */
    int16_t reserved;
    int32_t bitrate;          /* kbit/s of the first header */
    int32_t sampleRate;       /* Hz */
    int16_t bitsPerSample;    /* always 16 */
    int16_t samplesPerFrame;  /* per channel: 1152 (MPEG-1) or 576 (MPEG-2) */
    int32_t totalSamples;     /* per channel, estimated from the data length */
} StreamInfo;

typedef int32_t (*InitUlxFn)(const char* path, StreamInfo** info);
typedef int32_t (*UlxFn)(int16_t* pcm);
typedef int32_t (*UlxOneBckFn)(void);
typedef int32_t (*SeekUlxFn)(float fraction);
typedef int32_t (*ResetUlxFn)(void);
typedef int32_t (*ExitUlxFn)(void);
/* Samples per channel the last Ulx call wrote (0 when the frame only filled the reservoir). */
typedef int32_t (*UlxFrameSamplesFn)(void);

/* Result codes. */
#define ULX3_OK 0
#define ULX3_NO_SYNC (-1)        /* the data start holds no 0xFFF sync */
#define ULX3_SYNC_FFE (-2)       /* the data start holds the 0xFFE sync */
#define ULX3_NO_FRAME_NEAR (-3)  /* SeekUlx found no frame near the target */
#define ULX3_END (-4)            /* Ulx: end of stream or lost sync */
#define ULX3_CANNOT_OPEN (-5)
#define ULX3_UNSUPPORTED (-6)    /* not Layer III, free format, or no second frame */

ULX3_EXPORT int32_t InitUlx(const char* path, StreamInfo** info);
ULX3_EXPORT int32_t Ulx(int16_t* pcm);
ULX3_EXPORT int32_t UlxOneBck(void);
ULX3_EXPORT int32_t SeekUlx(float fraction);
ULX3_EXPORT int32_t ResetUlx(void);
ULX3_EXPORT int32_t ExitUlx(void);
ULX3_EXPORT int32_t UlxFrameSamples(void);

#ifdef __cplusplus
}
#endif

#endif
