/*
 * Loads declicker.so as a plain C host would, with no display and no Qt of its own, binds the
 * exports with the signatures of the contract header and checks the descriptor, the removal
 * of a single spike in silence and the delay. The library is copied into a private temporary folder first, so the parameter file
 * it writes at exit stays out of the program directory.
 *
 * Usage: declicker_abi_check <program directory>/declicker.so
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

/* Paths stay well inside their buffers: the folder is short, the names are ours. */
#define FOLDER_SIZE 1024
#define PATH_SIZE (FOLDER_SIZE + 64)

/* POSIX guarantees that a data pointer from dlsym converts to a function pointer; copying the
 * bytes says so without the cast that ISO C does not allow. */
#define BIND(library, name, function)                   \
    do {                                                \
        void* address_ = dlsym((library), (name));      \
        memcpy(&(function), &address_, sizeof address_); \
    } while (0)

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
static int CopyBeside(const char* library, const char* folder, const char* suffix) {
    char from[4096 + 64];
    char to[PATH_SIZE];
    const char* slash = strrchr(library, '/');
    int dirLength = slash != NULL ? (int)(slash - library + 1) : 0;
    if (dirLength > 4096) {
        return 0;
    }
    snprintf(from, sizeof from, "%.*sdeclicker%s", dirLength, library, suffix);
    snprintf(to, sizeof to, "%s/declicker%s", folder, suffix);
    return CopyFile(from, to);
}

static void RemoveFolder(const char* folder) {
    const char* names[] = {"declicker.so", "declicker.eff", "declicker.hlp", "declicker.par"};
    char path[PATH_SIZE];
    size_t i;
    for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
        snprintf(path, sizeof path, "%s/%s", folder, names[i]);
        unlink(path);
    }
    rmdir(folder);
}

static long FileSize(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? (long)info.st_size : -1;
}

/* A spike of +1000 and one of -1000 in silence come out as silence, 512 frames late; a
 * steady level comes out unchanged, equally late, in bypass too. */
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

static int Run(const char* folder) {
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "%s/declicker.so", folder);
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
    EffectDescriptor* descriptor = init(&status, EFFECT_HOST_KMAX);
    CHECK(descriptor != NULL);
    if (descriptor != NULL) {
        CHECK(memcmp(descriptor->magic, "QEXA", 4) == 0);
        CHECK(strcmp(descriptor->name, "De-scratcher") == 0);
        CHECK(descriptor->kind == KIND_BLOCK_PRE);
        CHECK(descriptor->spectral == 0);
        CHECK(descriptor->latency == 512);
        CHECK(descriptor->process != NULL);
    }

    /* No QApplication here: the owner must not even be looked at. */
    openWindow(NULL);
    openWindow((void*)&status);
    closeWindow();

    CHECK(openEffect(1024) == 1);
    CheckSpikesAndDelay(doEffect);
    closeEffect();
    exitEffect();

    snprintf(path, sizeof path, "%s/declicker.par", folder);
    CHECK(FileSize(path) == 56);
    dlclose(library);
    return g_failures > 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <program directory>/declicker.so\n", argv[0]);
        return 2;
    }
    const char* base = getenv("TMPDIR");
    char folder[FOLDER_SIZE];
    if (base == NULL || strlen(base) > FOLDER_SIZE - 32) {
        base = "/tmp";
    }
    snprintf(folder, sizeof folder, "%s/declicker-abi-XXXXXX", base);
    if (mkdtemp(folder) == NULL) {
        perror("mkdtemp");
        return 2;
    }
    int result = 2;
    if (CopyBeside(argv[1], folder, ".so") && CopyBeside(argv[1], folder, ".eff") &&
        CopyBeside(argv[1], folder, ".hlp")) {
        result = Run(folder);
    } else {
        fprintf(stderr, "cannot copy the plug-in from %s\n", argv[1]);
    }
    RemoveFolder(folder);
    if (result == 0) {
        printf("declicker ABI check passed\n");
    }
    return result;
}
