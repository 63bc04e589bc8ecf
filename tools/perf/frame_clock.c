/* The performance report's outside view of a run, loaded with LD_PRELOAD into
 * the real binary: times from the moment frame_clock_launch started the
 * process (FRAME_CLOCK_T0_NS, CLOCK_MONOTONIC) to the return of each
 * SDL_GL_SwapWindow, and to each video frame handed to the encoder
 * (avcodec_send_frame), so nothing in the program is changed to time it.
 *   FRAME_CLOCK_FIRST_SWAP_EXIT=1  print "first_swap_ms X" on stderr at the
 *                                  first swap's return and end the process
 *   FRAME_CLOCK_LOG=FILE           write "swap MS" per swap and "video PTS MS"
 *                                  per encoded video frame, MS since start */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <libavcodec/avcodec.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static FILE* logFile;      /* FRAME_CLOCK_LOG, opened at the first event */
static int logChecked;     /* FRAME_CLOCK_LOG was looked up */
static int swapsSeen;      /* swaps returned so far */

static double millisecondsSinceStart(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* start = getenv("FRAME_CLOCK_T0_NS");
    const double t0 = start ? strtod(start, NULL) : 0.0;
    return ((double)now.tv_sec * 1e9 + (double)now.tv_nsec - t0) / 1e6;
}

static FILE* eventLog(void) {
    if (!logChecked) {
        logChecked = 1;
        const char* path = getenv("FRAME_CLOCK_LOG");
        if (path && *path) logFile = fopen(path, "w");
    }
    return logFile;
}

static void* realFunction(const char* name) {
    void* function = dlsym(RTLD_NEXT, name);
    if (!function) {
        fprintf(stderr, "frame_clock: no %s to wrap\n", name);
        _exit(127);
    }
    return function;
}

void SDL_GL_SwapWindow(void* window) {
    static void (*swap)(void*);
    if (!swap) swap = (void (*)(void*))realFunction("SDL_GL_SwapWindow");
    swap(window);
    const double ms = millisecondsSinceStart();
    if (swapsSeen++ == 0) {
        const char* exitFlag = getenv("FRAME_CLOCK_FIRST_SWAP_EXIT");
        if (exitFlag && exitFlag[0] == '1') {
            char line[64];
            const int length = snprintf(line, sizeof line, "first_swap_ms %.1f\n", ms);
            if (write(STDERR_FILENO, line, (size_t)length) < 0) _exit(1);
            _exit(0);
        }
    }
    if (eventLog()) fprintf(logFile, "swap %.3f\n", ms);
}

int avcodec_send_frame(AVCodecContext* context, const AVFrame* frame) {
    static int (*send)(AVCodecContext*, const AVFrame*);
    if (!send) send = (int (*)(AVCodecContext*, const AVFrame*))realFunction("avcodec_send_frame");
    const int result = send(context, frame);
    if (frame && context->codec_type == AVMEDIA_TYPE_VIDEO && eventLog())
        fprintf(logFile, "video %lld %.3f\n", (long long)frame->pts, millisecondsSinceStart());
    return result;
}

__attribute__((destructor)) static void closeLog(void) {
    if (logFile) fclose(logFile);
}
