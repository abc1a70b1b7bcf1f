// What an interrupted run (SIGINT, SIGTERM, SIGHUP, SIGPIPE) leaves behind:
// no temporary file and no unfinished progress line; then it dies of the
// signal, which its shell reports as status 128 + the signal.
#pragma once

void guard_against_signals();
// The file to remove if a signal comes; null or "" for none.
void set_pending_temporary(const char* name);
// Whether a progress line without its newline is on standard error.
void set_progress_line_open(bool open);
