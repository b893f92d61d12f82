// SPDX-License-Identifier: MIT
// Times whole processes from exec to their first complete frame, watching the
// X display from outside: the probe paints the root window a colour no frame
// uses, starts the program, finds its 928 by 512 window and polls one pixel of
// the bottom tile until the program's drawing has replaced the root colour
// and stayed put. The program's peak resident memory is read at the end.
//
// velmora-startup-probe RUNS DIRECTORY NAME=PROGRAM...
// runs each program RUNS times in DIRECTORY, taking turns, and prints the
// median time and peak memory of each beside the first one's.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using clockType = std::chrono::steady_clock;

// A pixel inside the bottom tile, the last one the map lays out.
constexpr int probeX = 432 + 32;
constexpr int probeY = 424 + 16;
// After the pixel first changes, it must keep its value this long to count.
constexpr auto settle = std::chrono::milliseconds(500);
constexpr auto giveUp = std::chrono::seconds(20);
constexpr unsigned long rootColour = 0xFF00FF;

struct Sample {
    double milliseconds = -1;
    long peakKiB = -1;
    unsigned long pixel = 0;
};

long peakKiBOf(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// A viewable top-level window of the viewer's size, or None.
Window findWindow(Display *display, int &x, int &y)
{
    Window rootReturn, parent, *children = nullptr;
    unsigned int count = 0;
    Window found = None;
    if (!XQueryTree(display, DefaultRootWindow(display), &rootReturn, &parent, &children, &count))
        return None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes)
            && attributes.map_state == IsViewable && attributes.width == 928
            && attributes.height == 512) {
            found = children[i];
            x = attributes.x + attributes.border_width;
            y = attributes.y + attributes.border_width;
        }
    }
    if (children)
        XFree(children);
    return found;
}

unsigned long pixelAt(Display *display, int x, int y)
{
    XImage *image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return rootColour;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

Sample runOnce(Display *display, const std::string &program, const std::string &directory)
{
    // The previous program's window must be gone before the next one starts.
    int x = 0, y = 0;
    while (findWindow(display, x, y) != None)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    XClearWindow(display, DefaultRootWindow(display));
    XSync(display, False);

    const auto start = clockType::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(directory.c_str()) != 0)
            _exit(127);
        unsetenv("QT_QPA_PLATFORM");
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    Sample sample;
    if (pid < 0)
        return sample;

    Window window = None;
    clockType::time_point changed{};
    unsigned long shown = rootColour;
    for (auto now = start; now - start < giveUp; now = clockType::now()) {
        if (window == None)
            window = findWindow(display, x, y);
        if (window != None) {
            const unsigned long pixel = pixelAt(display, x + probeX, y + probeY);
            now = clockType::now();
            if (pixel != shown) {
                shown = pixel;
                changed = now;
            }
            if (shown != rootColour && now - changed > settle)
                break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    sample.pixel = shown;
    if (shown != rootColour)
        sample.milliseconds = std::chrono::duration<double, std::milli>(changed - start).count();
    sample.peakKiB = peakKiBOf(pid);
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return sample;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS DIRECTORY NAME=PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::string directory = argv[2];
    std::vector<std::string> names, programs;
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        names.push_back(argument.substr(0, equals));
        programs.push_back(argument.substr(equals + 1));
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display; run under xvfb-run\n");
        return 1;
    }
    XSetWindowBackground(display, DefaultRootWindow(display), rootColour);

    std::vector<std::vector<double>> times(programs.size()), peaks(programs.size());
    std::vector<unsigned long> pixels(programs.size());
    // A first, unmeasured round warms the file cache for every program.
    for (int run = -1; run < runs; ++run) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const Sample sample = runOnce(display, programs[p], directory);
            if (sample.milliseconds < 0) {
                std::fprintf(stderr, "%s: no frame within %lld s\n", names[p].c_str(),
                             static_cast<long long>(giveUp.count()));
                return 1;
            }
            pixels[p] = sample.pixel;
            if (run >= 0) {
                times[p].push_back(sample.milliseconds);
                peaks[p].push_back(double(sample.peakKiB));
            }
        }
    }
    XCloseDisplay(display);

    const double baseTime = median(times.back());
    const double basePeak = median(peaks.back());
    for (size_t p = 0; p < programs.size(); ++p) {
        const double time = median(times[p]);
        const double peak = median(peaks[p]);
        std::printf("start-up to first frame  %-12s median %7.1f ms  (%.2fx)   "
                    "peak memory median %6.1f MiB  (%.2fx)  pixel #%06lx\n",
                    names[p].c_str(), time, time / baseTime, peak / 1024, peak / basePeak, pixels[p]);
    }
    std::printf("(%d runs each; ratios against %s, the last program, measured in the same run)\n",
                runs, names.back().c_str());
    return 0;
}
