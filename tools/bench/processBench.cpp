// SPDX-License-Identifier: MIT
// Times whole processes from fork to exit, as a file manager pays for a
// thumbnailer: in each of ROUNDS rounds (1 unless given) each command runs
// RUNS times, the commands taking turns so that the machine's load falls on
// all alike. Each one's time is the median of its rounds' medians, printed
// with them, and its time and median peak resident memory as ratios to its
// baseline's: the command named after a "/" in its name, or else the first
// command. Standard output and error go to /dev/null; a command that fails
// stops the benchmark, so that no figure stands for a run that did nothing.
//
// velmora-process-bench [--rounds ROUNDS] RUNS NAME[/BASELINE]=COMMAND...
// where COMMAND is a program and its arguments separated by spaces.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct command {
    std::string name;
    std::string baseline;
    std::vector<std::string> words;
    std::vector<double> milliseconds;
    std::vector<double> roundMedians;
    std::vector<long> peakKiB;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One run: its time, and its peak memory from the kernel's own count.
bool runOnce(command &each)
{
    std::vector<char *> argv;
    for (std::string &word : each.words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return false;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "velmora-process-bench: %s failed (status %d)\n", each.name.c_str(), status);
        return false;
    }
    each.milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    each.peakKiB.push_back(usage.ru_maxrss);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    int rounds = 1;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--rounds") {
        rounds = std::atoi(argv[2]);
        first = 3;
    }
    if (argc < first + 2 || rounds < 1 || std::atoi(argv[first]) < 1) {
        std::fprintf(stderr, "usage: velmora-process-bench [--rounds ROUNDS] RUNS NAME=COMMAND...\n");
        return 2;
    }
    const int runs = std::atoi(argv[first]);
    std::vector<command> commands;
    for (int i = first + 1; i < argc; ++i) {
        const std::string given = argv[i];
        const size_t equals = given.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "velmora-process-bench: '%s' is not NAME=COMMAND\n", argv[i]);
            return 2;
        }
        command each;
        each.name = given.substr(0, equals);
        const size_t slash = each.name.find('/');
        if (slash != std::string::npos) {
            each.baseline = each.name.substr(slash + 1);
            each.name.erase(slash);
        }
        std::istringstream words(given.substr(equals + 1));
        for (std::string word; words >> word;)
            each.words.push_back(word);
        commands.push_back(each);
    }
    // One round first, unmeasured, so that every file is in the page cache.
    for (command &each : commands)
        if (!runOnce(each))
            return 1;
    for (command &each : commands)
        each.peakKiB.clear();
    for (int round = 0; round < rounds; ++round) {
        for (command &each : commands)
            each.milliseconds.clear();
        for (int run = 0; run < runs; ++run)
            for (command &each : commands)
                if (!runOnce(each))
                    return 1;
        for (command &each : commands)
            each.roundMedians.push_back(median(each.milliseconds));
    }

    const auto peakOf = [](const command &each) {
        return median(std::vector<double>(each.peakKiB.begin(), each.peakKiB.end()));
    };
    std::printf("%-32s %10s %10s %7s %7s   (%s%d runs, taking turns)\n", "", "time", "peak", "time",
                "peak", rounds > 1 ? "median of the medians of rounds of " : "medians of ", runs);
    for (const command &each : commands) {
        const command *base = &commands[0];
        for (const command &other : commands)
            if (other.name == each.baseline)
                base = &other;
        std::string eachRound;
        for (const double roundMedian : each.roundMedians) {
            char figure[32];
            std::snprintf(figure, sizeof figure, "%s%.1f", eachRound.empty() ? "" : ", ", roundMedian);
            eachRound += figure;
        }
        std::printf("%-32s %7.1f ms %6.1f MiB %6.2fx %6.2fx  against %s%s%s%s\n", each.name.c_str(),
                    median(each.roundMedians), peakOf(each) / 1024,
                    median(each.roundMedians) / median(base->roundMedians), peakOf(each) / peakOf(*base),
                    base->name.c_str(), rounds > 1 ? " (rounds: " : "", rounds > 1 ? eachRound.c_str() : "",
                    rounds > 1 ? " ms)" : "");
    }
    return 0;
}
