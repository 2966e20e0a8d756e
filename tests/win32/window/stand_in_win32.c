/* A stand-in for the Windows programs that the launcher looks for or starts (Update.exe, the
 * client). Tests copy it under the names they need. It appends one line to the file named by
 * QUILLBECK_STAND_IN_RECORD (a Windows path):
 *   {"exe": "<its module path>", "cwd": "<its working folder>", "argc": N, "pid": N}
 * then exits with 0, or stays (up to a limit) with the argument --stay. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* No test may leave a stand-in behind for ever. */
#define STAY_LIMIT_MS (600 * 1000)
#define LINE_SIZE 8192

/* Appends text to line as a JSON string: quotes, backslashes and control bytes escaped. */
static void AppendJsonString(char* line, size_t size, const char* text) {
    size_t length = strlen(line);
    if (length + 1 < size) line[length++] = '"';
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
        const size_t add = strlen(escaped);
        if (length + add + 2 >= size) break;
        memcpy(line + length, escaped, add);
        length += add;
    }
    line[length++] = '"';
    line[length] = '\0';
}

static void Record(const char* recordPath, int argc) {
    char exe[MAX_PATH * 4] = "";
    char cwd[MAX_PATH * 4] = "";
    GetModuleFileNameA(NULL, exe, sizeof(exe));
    GetCurrentDirectoryA(sizeof(cwd), cwd);

    char line[LINE_SIZE] = "{\"exe\": ";
    AppendJsonString(line, sizeof(line), exe);
    strncat(line, ", \"cwd\": ", sizeof(line) - strlen(line) - 1);
    AppendJsonString(line, sizeof(line), cwd);
    char tail[96];
    snprintf(tail, sizeof(tail), ", \"argc\": %d, \"pid\": %lu}\n", argc,
             (unsigned long)GetCurrentProcessId());
    strncat(line, tail, sizeof(line) - strlen(line) - 1);

    /* One write to a file opened for appending: lines of stand-ins started together never
     * mix. Sharing lets the test read it while another stand-in appends. */
    HANDLE file = CreateFileA(recordPath, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    /* The arguments as the system split them, the program's own name counted, as argc. */
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int stay = 0;
    for (int i = 1; argv != NULL && i < argc; ++i) {
        if (wcscmp(argv[i], L"--stay") == 0) stay = 1;
    }
    if (argv != NULL) LocalFree(argv);

    char recordPath[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableA("QUILLBECK_STAND_IN_RECORD", recordPath,
                                                 sizeof(recordPath));
    if (length > 0 && length < sizeof(recordPath)) Record(recordPath, argc);

    if (stay) Sleep(STAY_LIMIT_MS);
    return 0;
}
