/* A stand-in for the programs that the launcher looks for or starts. Tests copy it under the
 * names they need. It records that it was started, then exits, or stays when asked to. */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* No test may leave a stand-in behind for ever. */
#define STAY_LIMIT_SECONDS 600

typedef struct {
    char* text;
    size_t length;
    size_t room;
} Buffer;

static void Append(Buffer* buffer, const char* text, size_t length) {
    if (buffer->length + length + 1 > buffer->room) {
        size_t room = buffer->room != 0 ? buffer->room : 256;
        while (buffer->length + length + 1 > room) room *= 2;
        char* grown = realloc(buffer->text, room);
        if (grown == NULL) exit(2);
        buffer->text = grown;
        buffer->room = room;
    }
    memcpy(buffer->text + buffer->length, text, length);
    buffer->length += length;
    buffer->text[buffer->length] = '\0';
}

static void AppendText(Buffer* buffer, const char* text) { Append(buffer, text, strlen(text)); }

/* A JSON string: quotes, backslashes and control bytes escaped, other bytes kept. */
static void AppendJsonString(Buffer* buffer, const char* text) {
    AppendText(buffer, "\"");
    for (const unsigned char* c = (const unsigned char*)text; *c != '\0'; ++c) {
        char escaped[8];
        if (*c == '"' || *c == '\\') {
            snprintf(escaped, sizeof(escaped), "\\%c", *c);
        } else if (*c < 0x20) {
            snprintf(escaped, sizeof(escaped), "\\u%04x", *c);
        } else {
            escaped[0] = (char)*c;
            escaped[1] = '\0';
        }
        AppendText(buffer, escaped);
    }
    AppendText(buffer, "\"");
}

/* The target of a link, or "" when it cannot be read. The caller frees it. */
static char* ReadLink(const char* path) {
    for (size_t room = 256; room <= 65536; room *= 2) {
        char* target = malloc(room);
        if (target == NULL) exit(2);
        const ssize_t length = readlink(path, target, room);
        if (length >= 0 && (size_t)length < room) {
            target[length] = '\0';
            return target;
        }
        free(target);
        if (length < 0) break;
    }
    return strdup("");
}

static void Record(const char* recordPath, int argc) {
    char* exe = ReadLink("/proc/self/exe");
    char* cwd = getcwd(NULL, 0);
    Buffer line = {NULL, 0, 0};
    char number[32];
    AppendText(&line, "{\"exe\": ");
    AppendJsonString(&line, exe);
    AppendText(&line, ", \"cwd\": ");
    AppendJsonString(&line, cwd != NULL ? cwd : "");
    snprintf(number, sizeof(number), "%d", argc);
    AppendText(&line, ", \"argc\": ");
    AppendText(&line, number);
    snprintf(number, sizeof(number), "%ld", (long)getpid());
    AppendText(&line, ", \"pid\": ");
    AppendText(&line, number);
    AppendText(&line, "}\n");

    /* One write to a file opened for appending: lines of stand-ins started together never
     * mix. */
    const int fd = open(recordPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        size_t written = 0;
        while (written < line.length) {
            const ssize_t got = write(fd, line.text + written, line.length - written);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            written += (size_t)got;
        }
        close(fd);
    }
    free(line.text);
    free(cwd);
    free(exe);
}

static void Stay(void) {
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec >= STAY_LIMIT_SECONDS) return;
        const struct timespec pause = {1, 0};
        nanosleep(&pause, NULL);
    }
}

int main(int argc, char** argv) {
    const char* recordPath = getenv("QUILLBECK_STAND_IN_RECORD");
    if (recordPath != NULL && recordPath[0] != '\0') Record(recordPath, argc);

    int stay = getenv("QUILLBECK_STAND_IN_STAY") != NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--stay") == 0) stay = 1;
    }
    if (stay) Stay();
    return 0;
}
