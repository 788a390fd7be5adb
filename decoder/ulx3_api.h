/*
 * The entry points of the Layer III decoder library "ulx3.so", as its callers bind them.
 * The library holds one stream per process; StreamInfo lives inside it until the next InitUlx.
 */
#ifndef LUMISETT_ULX3_API_H
#define LUMISETT_ULX3_API_H

#include <stdint.h>

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

#ifdef __cplusplus
}
#endif

#endif
