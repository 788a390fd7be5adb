/*
 * Loads a block effect's library as a plain C host would, with no display and no Qt of its
 * own, binds the exports with the signatures of the contract header and checks the
 * descriptor, the processing of a few blocks and the parameter file written at exit. The
 * library is copied with its descriptor and help file into a private temporary folder first,
 * so the parameter file stays out of the program directory.
 *
 * Usage: plugin_abi_check <program directory>/<name>.so <descriptor name> <latency>
 *                         <parameter file bytes> <processing check>
 * where the processing check is one of those in kProcessingChecks below.
 */
#define _POSIX_C_SOURCE 200809L

#include "plugin_common/effect_api.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int g_failures = 0;

#define CHECK(condition)                                                    \
    do {                                                                    \
        if (!(condition)) {                                                 \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                    #condition);                                            \
            ++g_failures;                                                   \
        }                                                                   \
    } while (0)

/* Paths stay well inside their buffers: the folder is short, the names are checked. */
#define FOLDER_SIZE 1024
#define BASE_NAME_SIZE 64
#define PATH_SIZE (FOLDER_SIZE + BASE_NAME_SIZE + 16)

/* POSIX guarantees that a data pointer from dlsym converts to a function pointer; copying the
 * bytes says so without the cast that ISO C does not allow. */
#define BIND(library, name, function)                   \
    do {                                                \
        void* address_ = dlsym((library), (name));      \
        memcpy(&(function), &address_, sizeof address_); \
    } while (0)

/* A processing check and the block length the effect is opened with for it. */
typedef struct ProcessingCheck {
    const char* name;
    int32_t blockPairs;
    void (*run)(DoEffectFn doEffect);
} ProcessingCheck;

/* What the command line asks for. */
typedef struct Expected {
    const char* library;          /* <program directory>/<base>.so */
    char base[BASE_NAME_SIZE];    /* the library's name without ".so" */
    const char* descriptorName;
    long latency;
    long parameterFileBytes;
    const ProcessingCheck* processing;
} Expected;

/* The zeroline filter: the first samples after a block's start, rounding and clipping, and
 * bypass leaving the block alone. */
static void CheckDcFilter(DoEffectFn doEffect) {
    int16_t block[2 * 4];
    int i;
    for (i = 0; i < 4; ++i) {
        block[2 * i] = 1000;
        block[2 * i + 1] = (int16_t)(i == 0 ? -32768 : 32767);
    }
    doEffect(44100, CHANNEL_MASK_STEREO, 4, block, NULL);
    CHECK(block[0] == 1000);   /* round(999.9) */
    CHECK(block[2] == 1000);   /* round(999.70002) */
    CHECK(block[1] == -32765); /* round(-32764.7232) */
    CHECK(block[3] == 32767);  /* 32770.3 clipped, never wrapped */

    for (i = 0; i < 4; ++i) {
        block[2 * i] = 1234;
        block[2 * i + 1] = -1234;
    }
    doEffect(44100, CHANNEL_MASK_BYPASS, 4, block, NULL);
    CHECK(block[6] == 1234 && block[7] == -1234);
}

/* The de-scratcher: a spike of +1000 and one of -1000 in silence come out as silence, 512
 * frames late; a steady level comes out unchanged, equally late, in bypass too. */
static void CheckSpikesAndDelay(DoEffectFn doEffect) {
    enum { PAIRS = 1024 };
    static int16_t block[2 * PAIRS];
    int i;
    int silent = 1;
    memset(block, 0, sizeof block);
    block[2 * 100] = 1000;
    block[2 * 700 + 1] = -1000;
    doEffect(44100, CHANNEL_MASK_STEREO, PAIRS, block, NULL);
    for (i = 0; i < 2 * PAIRS; ++i) {
        silent = silent && block[i] == 0;
    }
    memset(block, 0, sizeof block);
    doEffect(44100, CHANNEL_MASK_STEREO, PAIRS, block, NULL);
    for (i = 0; i < 2 * PAIRS; ++i) {
        silent = silent && block[i] == 0;
    }
    CHECK(silent);

    for (i = 0; i < PAIRS; ++i) {
        block[2 * i] = 1234;
        block[2 * i + 1] = -1234;
    }
    doEffect(44100, CHANNEL_MASK_BYPASS, PAIRS, block, NULL);
    CHECK(block[2 * 511] == 0 && block[2 * 511 + 1] == 0);
    CHECK(block[2 * 512] == 1234 && block[2 * 512 + 1] == -1234);
}

/* The checks by the name the command line gives. */
static const ProcessingCheck kProcessingChecks[] = {
    {"dc-filter", 4, CheckDcFilter},
    {"spikes-and-delay", 1024, CheckSpikesAndDelay},
};

static const ProcessingCheck* FindProcessingCheck(const char* name) {
    size_t i;
    for (i = 0; i < sizeof kProcessingChecks / sizeof kProcessingChecks[0]; ++i) {
        if (strcmp(kProcessingChecks[i].name, name) == 0) {
            return &kProcessingChecks[i];
        }
    }
    return NULL;
}

static int CopyFile(const char* from, const char* to) {
    FILE* in = fopen(from, "rb");
    FILE* out = fopen(to, "wb");
    int ok = in != NULL && out != NULL;
    char chunk[65536];
    size_t n;
    while (ok && (n = fread(chunk, 1, sizeof chunk, in)) > 0) {
        ok = fwrite(chunk, 1, n, out) == n;
    }
    if (in != NULL) {
        fclose(in);
    }
    if (out != NULL) {
        ok = fclose(out) == 0 && ok;
    }
    return ok;
}

/* Copies "<dir of library>/<base><suffix>" into the folder. */
static int CopyBeside(const Expected* expected, const char* folder, const char* suffix) {
    char from[4096 + PATH_SIZE];
    char to[PATH_SIZE];
    const char* slash = strrchr(expected->library, '/');
    int dirLength = slash != NULL ? (int)(slash - expected->library + 1) : 0;
    if (dirLength > 4096) {
        return 0;
    }
    snprintf(from, sizeof from, "%.*s%s%s", dirLength, expected->library, expected->base, suffix);
    snprintf(to, sizeof to, "%s/%s%s", folder, expected->base, suffix);
    return CopyFile(from, to);
}

static void RemoveFolder(const Expected* expected, const char* folder) {
    const char* suffixes[] = {".so", ".eff", ".hlp", ".par"};
    char path[PATH_SIZE];
    size_t i;
    for (i = 0; i < sizeof suffixes / sizeof suffixes[0]; ++i) {
        snprintf(path, sizeof path, "%s/%s%s", folder, expected->base, suffixes[i]);
        unlink(path);
    }
    rmdir(folder);
}

static long FileSize(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? (long)info.st_size : -1;
}

static void CheckDescriptor(const Expected* expected, const EffectDescriptor* descriptor) {
    CHECK(descriptor != NULL);
    if (descriptor != NULL) {
        CHECK(memcmp(descriptor->magic, "QEXA", 4) == 0);
        CHECK(strcmp(descriptor->name, expected->descriptorName) == 0);
        CHECK(descriptor->kind == KIND_BLOCK_PRE);
        CHECK(descriptor->spectral == 0);
        CHECK(descriptor->latency == expected->latency);
        CHECK(descriptor->process != NULL);
    }
}

static int Run(const Expected* expected, const char* folder) {
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "%s/%s.so", folder, expected->base);
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    InitEffectFn init;
    ExitEffectFn exitEffect;
    OpenEffWindowFn openWindow;
    CloseEffWindowFn closeWindow;
    OpenEffectFn openEffect;
    CloseEffectFn closeEffect;
    DoEffectFn doEffect;
    BIND(library, "InitEffect", init);
    BIND(library, "ExitEffect", exitEffect);
    BIND(library, "OpenEffWindow", openWindow);
    BIND(library, "CloseEffWindow", closeWindow);
    BIND(library, "OpenEffect", openEffect);
    BIND(library, "CloseEffect", closeEffect);
    BIND(library, "DoEffect", doEffect);
    CHECK(init && exitEffect && openWindow && closeWindow && openEffect && closeEffect && doEffect);
    CHECK(dlsym(library, "TransData") == NULL);
    if (g_failures > 0) {
        dlclose(library);
        return 1;
    }

    int32_t status = 0;
    CheckDescriptor(expected, init(&status, EFFECT_HOST_KMAX));

    /* No QApplication here: the owner must not even be looked at. */
    openWindow(NULL);
    openWindow((void*)&status);
    closeWindow();

    CHECK(openEffect(expected->processing->blockPairs) == 1);
    expected->processing->run(doEffect);
    closeEffect();
    exitEffect();

    snprintf(path, sizeof path, "%s/%s.par", folder, expected->base);
    CHECK(FileSize(path) == expected->parameterFileBytes);
    dlclose(library);
    return g_failures > 0;
}

/* A whole non-negative decimal number, or -1. */
static long ParseCount(const char* text) {
    char* end = NULL;
    long value = strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 ? value : -1;
}

/* Fills `expected` from the command line; 0 when the arguments are unusable. */
static int ParseArguments(int argc, char** argv, Expected* expected) {
    if (argc != 6) {
        return 0;
    }
    const char* library = argv[1];
    const char* slash = strrchr(library, '/');
    const char* file = slash != NULL ? slash + 1 : library;
    size_t length = strlen(file);
    if (length <= 3 || length - 3 >= BASE_NAME_SIZE || strcmp(file + length - 3, ".so") != 0) {
        return 0;
    }
    expected->library = library;
    memcpy(expected->base, file, length - 3);
    expected->base[length - 3] = '\0';
    expected->descriptorName = argv[2];
    expected->latency = ParseCount(argv[3]);
    expected->parameterFileBytes = ParseCount(argv[4]);
    expected->processing = FindProcessingCheck(argv[5]);
    return expected->latency >= 0 && expected->parameterFileBytes >= 0 && expected->processing != NULL;
}

int main(int argc, char** argv) {
    Expected expected;
    if (!ParseArguments(argc, argv, &expected)) {
        fprintf(stderr,
                "usage: %s <program directory>/<name>.so <descriptor name> <latency> "
                "<parameter file bytes> dc-filter|spikes-and-delay\n",
                argv[0]);
        return 2;
    }
    const char* base = getenv("TMPDIR");
    char folder[FOLDER_SIZE];
    if (base == NULL || strlen(base) > FOLDER_SIZE - BASE_NAME_SIZE - 16) {
        base = "/tmp";
    }
    snprintf(folder, sizeof folder, "%s/%s-abi-XXXXXX", base, expected.base);
    if (mkdtemp(folder) == NULL) {
        perror("mkdtemp");
        return 2;
    }
    int result = 2;
    if (CopyBeside(&expected, folder, ".so") && CopyBeside(&expected, folder, ".eff") &&
        CopyBeside(&expected, folder, ".hlp")) {
        result = Run(&expected, folder);
    } else {
        fprintf(stderr, "cannot copy the plug-in from %s\n", expected.library);
    }
    RemoveFolder(&expected, folder);
    if (result == 0) {
        printf("%s ABI check passed\n", expected.base);
    }
    return result;
}
