// The client window run for real: its own template, its own message map and key filter, in a
// modal loop on a private Xvfb display, in a forked copy of the test process (so that the
// toolkit's state and its process-long caches never reach the test process itself).
#pragma once

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include "in_child.h"
#include "quillbeck_dlg.h"
#include "temp_folder.h"


// Xvfb on a free display number, ended with the scope.
class PrivateDisplay {
public:
    PrivateDisplay() {
        int ends[2];
        if (pipe(ends) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            close(ends[0]);
            const int devNull = open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                dup2(devNull, STDOUT_FILENO);
                dup2(devNull, STDERR_FILENO);
            }
            const std::string fd = std::to_string(ends[1]);
            // Kept up between clients: a server resetting as one copy leaves refuses the next.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        std::string number;
        char c = 0;
        while (m_pid > 0) {
            const ssize_t got = read(ends[0], &c, 1);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0 || c == '\n') break;
            number += c;
        }
        close(ends[0]);
        if (!number.empty()) m_name = ":" + number;
    }
    ~PrivateDisplay() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Empty when Xvfb did not start.
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

// The program's own client window with one change: its initialisation creates no web view
// (not needed to route commands and keys) and, once the modal loop runs, hands the live
// window to a probe. A dialog that nothing ends is ended with kStillOpen shortly after.
class ProbedClientWindow : public CQuillbeckDlg {
public:
    static constexpr int kStillOpen = 4242;

    explicit ProbedClientWindow(std::function<void(ProbedClientWindow&)> probe)
        : m_probe(std::move(probe)) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        g_idle_add(&ProbedClientWindow::RunProbe, this);
        return TRUE;
    }

private:
    // The layer has no timer of its own; the toolkit's main loop runs these.
    static gboolean RunProbe(gpointer data) {
        auto* self = static_cast<ProbedClientWindow*>(data);
        self->m_probe(*self);
        // Long enough for an end the probe asked for to take the loop down first; the copy
        // exits right after DoModal, so a timeout left pending never fires.
        g_timeout_add(200, &ProbedClientWindow::EndStillOpen, self);
        return G_SOURCE_REMOVE;
    }
    static gboolean EndStillOpen(gpointer data) {
        static_cast<ProbedClientWindow*>(data)->EndDialog(kStillOpen);
        return G_SOURCE_REMOVE;
    }

    std::function<void(ProbedClientWindow&)> m_probe;
};

// Runs body in a forked copy on display, with a home and XDG folders of its own; body gives
// the copy's exit code and output.
inline ChildOutcome RunOnDisplay(const PrivateDisplay& display, const TempFolder& home,
                                 const std::function<int(std::string& output)>& body) {
    return RunInChild([&](std::string& output) {
        setenv("DISPLAY", display.name().c_str(), 1);
        setenv("GDK_BACKEND", "x11", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("HOME", home.path().c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                 "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string folder = home / name;
            mkdir(folder.c_str(), 0700);
            setenv(name, folder.c_str(), 1);
        }
        unsetenv("WAYLAND_DISPLAY");
        return body(output);
    });
}
