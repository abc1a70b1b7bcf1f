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

std::vector<std::string> fetch_modules()
{
    std::vector<std::string> paths;
    std::string command = std::string("bash '") + MELVANE_SOURCE_DIR
                          + "/tests/modules/fetch-modules.sh' '" + MODULE_CACHE + "'";
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

double seconds_of(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// CPU seconds (user and system) of one render process; negative on failure.
double render_cpu(const std::string& module)
{
    const char* argv[] = {RENDER_TOOL, "--frames", FRAMES, module.c_str(), "/dev/null", nullptr};
    pid_t pid;
    if (posix_spawn(&pid, RENDER_TOOL, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return -1.0;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
}

double median_cpu(const std::string& module, int runs)
{
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        double c = render_cpu(module);
        if (c < 0.0) return -1.0;
        cpu.push_back(c);
    }
    std::sort(cpu.begin(), cpu.end());
    return cpu[cpu.size() / 2];
}

}  // namespace

void bench_real_modules(int runs)
{
    std::vector<std::string> modules = fetch_modules();
    if (modules.empty()) {
        std::printf("  real modules: none fetched (package archive unreachable?), skipped\n");
        return;
    }
    std::printf("melvane-render, %.0f s of each real module, whole process, median of %d runs:\n",
                SECONDS, runs);
    double audio = 0.0;
    double cpu = 0.0;
    for (const std::string& module : modules) {
        double c = median_cpu(module, runs);
        std::string name = module.substr(module.find_last_of('/') + 1);
        if (c <= 0.0) {
            std::printf("  %-40s failed\n", name.c_str());
            continue;
        }
        std::printf("  %-40s %9.1f x real time\n", name.c_str(), SECONDS / c);
        audio += SECONDS;
        cpu += c;
    }
    if (cpu > 0.0) std::printf("  %-40s %9.1f x real time\n", "all real modules", audio / cpu);
}
