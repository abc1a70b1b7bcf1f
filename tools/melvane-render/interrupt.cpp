#include "interrupt.h"

#include <limits.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

// Read by the handler: fixed storage, no allocation.
char pendingTemporary[PATH_MAX + 16];
volatile sig_atomic_t progressLineOpen;

void clean_up_and_die(int signal) {
    if (progressLineOpen) {
        const ssize_t ignored = write(STDERR_FILENO, "\n", 1);
        (void)ignored;
    }
    if (pendingTemporary[0] != '\0') unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void guard_against_signals() {
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    for (int s : signals) std::signal(s, clean_up_and_die);
}

void set_pending_temporary(const char* name) {
    pendingTemporary[0] = '\0';
    if (name != nullptr && std::strlen(name) < sizeof pendingTemporary) std::strcpy(pendingTemporary, name);
}

void set_progress_line_open(bool open) { progressLineOpen = open; }
