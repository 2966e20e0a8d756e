/* Looks at the launcher's main window from another program of the same Wine prefix (the
 * programs of one prefix share their windows) and prints what a Windows program sees of it, as
 * one JSON line:
 *   {"found": true, "pid": N, "window": [l, t, r, b], "client": [l, t, r, b],
 *    "thick_frame": B, "maximize_style": B, "zoomed": B, "foreground": B,
 *    "min_max": {"sent": B, "answered": B, "min_track": [x, y], "max_track": [x, y],
 *                "max_size": [x, y], "max_position": [x, y]},
 *    "children": [{"class": "...", "rect": [l, t, r, b], "visible": B}, ...]}
 * Rectangles are in screen coordinates; the client rectangle too, so that a child's rectangle
 * compares with it directly.
 *
 * The minimum size is asked with WM_GETMINMAXINFO sent to the window, every field filled with
 * a marker first: what comes back is the window's own answer, the markers show the fields it
 * left alone, and a reply with the markers unchanged would show that the message's structure
 * did not travel between the processes.
 *
 * "foreground" tells whether the window is the one that gets the keyboard, so that a test
 * knows its key presses went to it.
 *
 * Usage: window_probe [command ...]    on the window titled "Nolva Client 1"
 *   size W H        SetWindowPos to W x H (the window rectangle), not moved
 *   look            print the line (also done when no command is given)
 *   plain SECONDS   make a window of its own, "Plain probe window", with no icon of its own,
 *                   and keep it SECONDS seconds; shows what Wine gives a window without one
 * Exit code: 0, 2 for a wrong command line, 3 when no such window is found. */
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define LINE_SIZE 16384
#define MAX_CHILDREN 32
/* A value no answer would hold: a field that still has it was left alone. */
#define MARKER 31337

typedef struct {
    char text[LINE_SIZE];
    size_t length;
} Line;

static void Append(Line* line, const char* format, ...) {
    if (line->length + 1 >= sizeof(line->text)) return;
    va_list args;
    va_start(args, format);
    const int added = vsnprintf(line->text + line->length, sizeof(line->text) - line->length,
                                format, args);
    va_end(args);
    if (added < 0) return;
    line->length += (size_t)added;
    if (line->length >= sizeof(line->text)) line->length = sizeof(line->text) - 1;
}

/* Text as a JSON string: quotes, backslashes and control bytes escaped. */
static void AppendString(Line* line, const char* text) {
    Append(line, "\"");
    for (const unsigned char* c = (const unsigned char*)text; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') {
            Append(line, "\\%c", *c);
        } else if (*c < 0x20) {
            Append(line, "\\u%04x", *c);
        } else {
            Append(line, "%c", *c);
        }
    }
    Append(line, "\"");
}

static void AppendRect(Line* line, const RECT* rect) {
    Append(line, "[%ld, %ld, %ld, %ld]", (long)rect->left, (long)rect->top, (long)rect->right,
           (long)rect->bottom);
}

static void AppendPoint(Line* line, POINT point) {
    Append(line, "[%ld, %ld]", (long)point.x, (long)point.y);
}

static const char* Bool(BOOL value) { return value ? "true" : "false"; }

typedef struct {
    Line* line;
    HWND parent;
    int count;
} ChildWalk;

/* Direct children only: the child that fills the client area is the one that follows the
 * window's size; windows inside it are its own business. */
static BOOL CALLBACK AppendChild(HWND child, LPARAM data) {
    ChildWalk* walk = (ChildWalk*)data;
    if (GetParent(child) != walk->parent) return TRUE;
    if (walk->count >= MAX_CHILDREN) return FALSE;
    char name[256] = "";
    GetClassNameA(child, name, sizeof(name));
    RECT rect;
    GetWindowRect(child, &rect);
    Append(walk->line, "%s{\"class\": ", walk->count > 0 ? ", " : "");
    AppendString(walk->line, name);
    Append(walk->line, ", \"rect\": ");
    AppendRect(walk->line, &rect);
    Append(walk->line, ", \"visible\": %s}", Bool(IsWindowVisible(child)));
    ++walk->count;
    return TRUE;
}

static void AppendMinMax(Line* line, HWND window) {
    MINMAXINFO info;
    info.ptReserved.x = info.ptReserved.y = MARKER;
    info.ptMaxSize.x = info.ptMaxSize.y = MARKER;
    info.ptMaxPosition.x = info.ptMaxPosition.y = MARKER;
    info.ptMinTrackSize.x = info.ptMinTrackSize.y = MARKER;
    info.ptMaxTrackSize.x = info.ptMaxTrackSize.y = MARKER;
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutA(window, WM_GETMINMAXINFO, 0, (LPARAM)&info,
                                             SMTO_ABORTIFHUNG, 5000, &result);
    const BOOL answered = sent != 0 && (info.ptMinTrackSize.x != MARKER ||
                                        info.ptMinTrackSize.y != MARKER);
    Append(line, "{\"sent\": %s, \"answered\": %s, \"min_track\": ", Bool(sent != 0),
           Bool(answered));
    AppendPoint(line, info.ptMinTrackSize);
    Append(line, ", \"max_track\": ");
    AppendPoint(line, info.ptMaxTrackSize);
    Append(line, ", \"max_size\": ");
    AppendPoint(line, info.ptMaxSize);
    Append(line, ", \"max_position\": ");
    AppendPoint(line, info.ptMaxPosition);
    Append(line, "}");
}

static void Look(HWND window) {
    static Line line;
    line.length = 0;
    line.text[0] = '\0';

    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT outer;
    GetWindowRect(window, &outer);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, NULL, (POINT*)&client, 2);
    const LONG style = GetWindowLongA(window, GWL_STYLE);

    Append(&line, "{\"found\": true, \"pid\": %lu, \"window\": ", (unsigned long)pid);
    AppendRect(&line, &outer);
    Append(&line, ", \"client\": ");
    AppendRect(&line, &client);
    Append(&line, ", \"thick_frame\": %s, \"maximize_style\": %s, \"zoomed\": %s",
           Bool((style & WS_THICKFRAME) != 0), Bool((style & WS_MAXIMIZE) != 0),
           Bool(IsZoomed(window)));
    Append(&line, ", \"foreground\": %s, \"min_max\": ",
           Bool(GetForegroundWindow() == window));
    AppendMinMax(&line, window);
    Append(&line, ", \"children\": [");
    ChildWalk walk = {&line, window, 0};
    EnumChildWindows(window, AppendChild, (LPARAM)&walk);
    Append(&line, "]}\n");
    fputs(line.text, stdout);
    fflush(stdout);
}

static LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

/* A top-level window whose class names no icon and that is given none. */
static int Plain(DWORD seconds) {
    WNDCLASSA type;
    memset(&type, 0, sizeof(type));
    type.lpfnWndProc = PlainProcedure;
    type.hInstance = GetModuleHandleA(NULL);
    type.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    type.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    type.lpszClassName = "PlainProbeWindow";
    if (!RegisterClassA(&type)) return 1;
    HWND window = CreateWindowExA(0, type.lpszClassName, "Plain probe window",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, NULL,
                                  NULL, type.hInstance, NULL);
    if (window == NULL) return 1;
    UINT_PTR timer = SetTimer(window, 1, seconds * 1000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == window) {
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (timer != 0 && IsWindow(window)) KillTimer(window, timer);
    return 0;
}

static int Usage(void) {
    fputs("usage: window_probe [size W H | look]... | plain SECONDS\n",
          stderr);
    return 2;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "plain") == 0) return Plain((DWORD)atoi(argv[2]));

    const int first = 1;
    HWND window = FindWindowA(NULL, "Nolva Client 1");
    if (window == NULL) {
        fputs("{\"found\": false}\n", stdout);
        return 3;
    }
    if (first == argc) {
        Look(window);
        return 0;
    }
    for (int i = first; i < argc; ++i) {
        if (strcmp(argv[i], "look") == 0) {
            Look(window);
        } else if (strcmp(argv[i], "size") == 0 && i + 2 < argc) {
            SetWindowPos(window, NULL, 0, 0, atoi(argv[i + 1]), atoi(argv[i + 2]),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            i += 2;
        } else {
            return Usage();
        }
    }
    return 0;
}
