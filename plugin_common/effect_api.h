/*
 * The contract between the quorvex host and its effect plug-ins.
 *
 * Every plug-in is a shared library "<base>.so" in the program directory that exports the
 * functions below as plain C symbols. The host binds them by name after dlopen; outside
 * programs may do the same. Only integers, floats and pointers cross the boundary: no
 * exceptions, no objects. All integers are signed 32-bit.
 *
 * Threads: DoEffect and TransData run in the audio context (the host's buffer-completion
 * handler); every other entry point runs on the host's window thread. The host never makes
 * two chain calls at the same time.
 */
#ifndef LUMISETT_EFFECT_API_H
#define LUMISETT_EFFECT_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LUMISETT_EXPORT __attribute__((visibility("default")))
#else
#define LUMISETT_EXPORT
#endif

/* The four letters at the start of every full-form descriptor. */
#define EFFECT_DESCRIPTOR_MAGIC "QEXA"

/* Where a plug-in runs in the chain (EffectDescriptor.kind). */
enum EffectKind {
    KIND_ANALYZER = -1,   /* TransEff and TransData, never DoEffect; reads spectrum frames */
    KIND_BLOCK_PRE = 0,   /* DoEffect on sample blocks before the spectral stage */
    KIND_SPECTRAL = 1,    /* DoEffect on spectrum frames inside the spectral stage */
    KIND_BLOCK_POST = 2   /* DoEffect on sample blocks after the spectral stage */
};

/* The channel mask handed to DoEffect and TransData: bit 1 left, bit 2 right. */
enum ChannelMask {
    CHANNEL_MASK_BYPASS = 0, /* leave the data unchanged; bookkeeping may go on */
    CHANNEL_MASK_MONO = 1,   /* one of the host's mono modes: only the left channel counts */
    CHANNEL_MASK_STEREO = 3  /* both channels */
};

/* Bits of the host status word. Plug-ins read it, never write it. */
enum HostStatusBits {
    HOST_STATUS_CUE = 1,
    HOST_STATUS_PAUSED = 2,
    HOST_STATUS_LOOP = 4
};

/* The plug-in's own processing routine; its arguments are the plug-in's choice. */
typedef void (*EffectProcessRoutine)(void);

/*
 * Returned by InitEffect; owned by the plug-in for as long as its library is loaded.
 * The field order and widths are fixed; `process` is a pointer, so on 64-bit systems the
 * fields after it sit 8 bytes further on than on a 32-bit system.
 *
 * A record that does not begin with the magic is read in the short form: latency at byte 4,
 * kind at byte 8, spectral at byte 12, and no name.
 */
typedef struct EffectDescriptor {
    char magic[4];                /* "QEXA", no terminator */
    EffectProcessRoutine process; /* called by the plug-in's own DoEffect; null in the analyzer */
    char name[20];                /* display name, NUL-terminated, at most 19 characters */
    char status[50];              /* status line text of the plug-in's editor */
    char padding[2];
    int32_t reserved;             /* always 0 */
    int32_t latency;              /* output lag in sample pairs */
    int32_t kind;                 /* enum EffectKind */
    int32_t spectral;             /* nonzero: the host runs its spectral stage while loaded */
} EffectDescriptor;

/* Byte offsets of the short form, for records that lack the magic. */
#define EFFECT_SHORT_FORM_LATENCY_OFFSET 4
#define EFFECT_SHORT_FORM_KIND_OFFSET 8
#define EFFECT_SHORT_FORM_SPECTRAL_OFFSET 12

/* The host announces this K-max: the largest bin count any block length allows. */
#define EFFECT_HOST_KMAX 4096

/* Signatures of the exports, as the host binds them. */
typedef EffectDescriptor* (*InitEffectFn)(int32_t* statusWord, int32_t kMax);
typedef int32_t (*ExitEffectFn)(void);
typedef int32_t (*OpenEffWindowFn)(void* owner);
typedef int32_t (*CloseEffWindowFn)(void);
typedef int32_t (*OpenEffectFn)(int32_t blockPairs);
typedef int32_t (*CloseEffectFn)(void);
typedef int32_t (*DoEffectFn)(int32_t rate, int32_t mask, int32_t count, int16_t* block,
                              float* frame);
typedef int32_t (*TransEffFn)(int32_t n, const char* names);
typedef int32_t (*TransDataFn)(int32_t rate, int32_t mask, int32_t bins, int32_t position,
                               float* frame);
typedef float* (*GetNoiseTabFn)(double** reference);
typedef void (*DenoCloseFn)(void);
typedef int32_t (*SetEffectParamFn)(const char* key, const char* value);

/*
 * The exports themselves. A plug-in defines the ones its kind needs: every plug-in the first
 * six, kinds 0 to 2 DoEffect, the analyzer TransEff, TransData and DenoClose, the de-noiser and
 * the filter GetNoiseTab. `owner` is the host's main window (a QWidget*), or null when the host
 * runs without windows: the plug-in then opens no editor.
 */
LUMISETT_EXPORT EffectDescriptor* InitEffect(int32_t* statusWord, int32_t kMax);
LUMISETT_EXPORT int32_t ExitEffect(void);
LUMISETT_EXPORT int32_t OpenEffWindow(void* owner);
LUMISETT_EXPORT int32_t CloseEffWindow(void);
LUMISETT_EXPORT int32_t OpenEffect(int32_t blockPairs);
LUMISETT_EXPORT int32_t CloseEffect(void);
LUMISETT_EXPORT int32_t DoEffect(int32_t rate, int32_t mask, int32_t count, int16_t* block,
                                 float* frame);
LUMISETT_EXPORT int32_t TransEff(int32_t n, const char* names);
LUMISETT_EXPORT int32_t TransData(int32_t rate, int32_t mask, int32_t bins, int32_t position,
                                  float* frame);
LUMISETT_EXPORT float* GetNoiseTab(double** reference);
LUMISETT_EXPORT void DenoClose(void);

/*
 * Optional: sets one parameter by name for headless runs, after InitEffect and before
 * OpenEffect. Returns 1 when the plug-in accepted the value, 0 otherwise (unknown key or
 * invalid value: nothing changes). Every plug-in understands "persist" = "0" or "1": with 0
 * it does not save its parameter file at ExitEffect.
 */
LUMISETT_EXPORT int32_t SetEffectParam(const char* key, const char* value);

#ifdef __cplusplus
}
#endif

#if defined(__x86_64__) || defined(__aarch64__)
#ifdef __cplusplus
#define LUMISETT_STATIC_ASSERT static_assert
#else
#define LUMISETT_STATIC_ASSERT _Static_assert
#endif
LUMISETT_STATIC_ASSERT(sizeof(EffectDescriptor) == 104, "EffectDescriptor layout changed");
LUMISETT_STATIC_ASSERT(offsetof(EffectDescriptor, name) == 16, "EffectDescriptor layout changed");
LUMISETT_STATIC_ASSERT(offsetof(EffectDescriptor, latency) == 92, "EffectDescriptor layout changed");
#undef LUMISETT_STATIC_ASSERT
#endif

#endif
