#include "real_modules.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

const double SECONDS = 60.0;  // every one of the modules plays longer than this
const char* const FRAMES = "2646000";

std::vector<std::string> fetch_modules() {
    std::vector<std::string> paths;
    std::string command =
        std::string("bash '") + MELVANE_SOURCE_DIR + "/tests/modules/fetch-modules.sh' '" + MODULE_CACHE + "'";
    FILE* list = popen(command.c_str(), "r");
    if (list == nullptr) return paths;
    char line[4096];
    while (std::fgets(line, sizeof line, list) != nullptr) {
        std::string path = line;
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        if (!path.empty()) paths.push_back(path);
    }
    pclose(list);
    return paths;
}

double seconds_of(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

// CPU seconds (user and system) of one render process; negative on failure.
double render_cpu(const char* tool, const std::string& module) {
    const char* argv[] = {tool, "--frames", FRAMES, module.c_str(), "/dev/null", nullptr};
    pid_t pid;
    if (posix_spawn(&pid, tool, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return -1.0;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
}

// The best of `runs` of each tool, run in turn so that both see the same
// load; negative when a run fails.
void best_cpu(const char* const* tools, int count, const std::string& module, int runs, double* best) {
    for (int t = 0; t < count; ++t) best[t] = 1e30;
    for (int i = 0; i < runs; ++i) {
        for (int t = 0; t < count; ++t) {
            const double c = render_cpu(tools[t], module);
            if (c < 0.0 || best[t] < 0.0) {
                best[t] = -1.0;
            } else {
                best[t] = std::min(best[t], c);
            }
        }
    }
}

void print_row(const std::string& name, const double* cpu, int count) {
    std::printf("  %-30s", name.c_str());
    for (int t = 0; t < count; ++t) {
        if (cpu[t] < 0.0) {
            std::printf(" %10s", "failed");
        } else {
            std::printf(" %7.1f ms", cpu[t] * 1000.0);
        }
    }
    if (count == 2 && cpu[0] > 0.0 && cpu[1] > 0.0) {
        std::printf(" %+7.1f %%", (cpu[0] / cpu[1] - 1.0) * 100.0);
    }
    std::printf("\n");
}

}  // namespace

void bench_real_modules(int runs, const char* before) {
    std::vector<std::string> modules = fetch_modules();
    if (modules.empty()) {
        std::printf("  real modules: none fetched (package archive unreachable?), skipped\n");
        return;
    }
    const char* tools[2] = {RENDER_TOOL, before};
    const int count = before ? 2 : 1;
    std::printf("melvane-render, %.0f s of each real module, whole process CPU, best of %d runs:\n", SECONDS, runs);
    if (before) std::printf("  %-30s %10s %10s %9s\n", "", "this build", "before", "change");
    double total[2] = {0.0, 0.0};
    for (const std::string& module : modules) {
        double cpu[2];
        best_cpu(tools, count, module, runs, cpu);
        print_row(module.substr(module.find_last_of('/') + 1), cpu, count);
        for (int t = 0; t < count; ++t) total[t] = cpu[t] < 0.0 || total[t] < 0.0 ? -1.0 : total[t] + cpu[t];
    }
    print_row("all real modules", total, count);
}
