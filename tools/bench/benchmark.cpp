// SPDX-License-Identifier: MIT
// In-process speed figures of the viewer on Qt's offscreen platform, each a
// median over many runs beside a baseline measured in the same run:
// - start-up breakdown: map widget construction, first load, first paint,
//   each in a fresh process (this program started again with --first),
//   against the same widget tree given its pictures and texts directly;
// - reload: one reloadWanted() on the sample map with the window repainted,
//   against setting the same already-scaled pictures and texts on plain labels,
//   and the picture loads that the design has a reload make, timed alone;
// - reading: loading a file with no line feed of 50 MB against one of 200 MB.
// velmora-bench [startup] [reload] [reading] runs the parts named, or all.

#include "MainWindow.h"
#include "chromeWindow.h"
#include "isoCase.h"
#include "localTimeZone.h"
#include "myMap.h"
#include "treeWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The picture a label shows; Qt 5 hands it out by value only when asked.
QPixmap pictureOf(const QLabel &label)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return label.pixmap();
#else
    return label.pixmap(Qt::ReturnByValue);
#endif
}

double millisecondsOf(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// One process's first map, viewer's or plain: its construction, load and
// paint, printed for the parent.
template <typename Map, typename Load>
int firstRun(Load load)
{
    QElapsedTimer timer;
    timer.start();
    Map map;
    const double construction = millisecondsOf(timer);
    timer.restart();
    load(map);
    const double loading = millisecondsOf(timer);
    timer.restart();
    const QPixmap frame = map.grab();
    const double paint = millisecondsOf(timer);
    std::printf("%f %f %f\n", construction, loading, paint);
    return frame.isNull() ? 1 : 0;
}

int firstRun(const QString &which)
{
    if (which == QLatin1String("tree"))
        return firstRun<plainMap>(
            [](plainMap &map) { map.showCodes(plainMap::codesOf(QStringLiteral("test.map"))); });
    return firstRun<myMap>([](myMap &map) { map.loadMap(QStringLiteral("test.map")); });
}

// The viewer's first map against the same widget tree given its pictures and
// texts directly, each in fresh processes taken in turns.
void startupBreakdown(const QString &self, int runs)
{
    const char *const parts[] = {"map widget construction", "first load of test.map",
                                 "first paint (grab)"};
    std::vector<double> figures[2][3];
    for (int run = 0; run < runs; ++run) {
        for (int kind = 0; kind < 2; ++kind) {
            QProcess process;
            process.setWorkingDirectory(QStringLiteral(VELMORA_MAPS));
            process.start(self, {QStringLiteral("--first"),
                                 QLatin1String(kind == 0 ? "viewer" : "tree")});
            process.waitForFinished(-1);
            const QList<QByteArray> times = process.readAllStandardOutput().trimmed().split(' ');
            if (process.exitCode() != 0 || times.size() != 3) {
                std::fprintf(stderr, "the --first run failed\n");
                return;
            }
            for (int part = 0; part < 3; ++part)
                figures[kind][part].push_back(times.at(part).toDouble());
        }
    }
    std::printf("first map in a new process (%d processes each), medians:\n", runs);
    std::printf("  %-26s %9s %11s\n", "", "viewer", "plain tree");
    for (int part = 0; part < 3; ++part) {
        const double v = median(figures[0][part]), b = median(figures[1][part]);
        std::printf("  %-26s %6.2f ms %8.2f ms  (%.2fx)\n", parts[part], v, b, v / b);
    }
}

// The baseline of a reload: the chrome window with the map's background and
// 196 pairs of plain labels where the tiles are, given pictures already
// scaled and the codes' texts, then repainted.
class labelWindow : public chromeWindow
{
public:
    explicit labelWindow(const QWidget &map)
    {
        // The map as the viewer shows it after loading test.map, read from
        // its widgets: pictures and texts of each tile, in attach order.
        background.setParent(this);
        background.setGeometry(0, 0, 928, 480);
        background.setPixmap(
            pictureOf(*map.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly).value(0)));
        for (QObject *child : map.children()) {
            auto tile = dynamic_cast<isoCase *>(child);
            if (!tile)
                continue;
            const QList<QLabel *> layers = tile->findChildren<QLabel *>();
            auto ground = new QLabel(this);
            auto top = new QLabel(this);
            ground->setGeometry(tile->geometry());
            top->setGeometry(tile->geometry());
            grounds.push_back(ground);
            tops.push_back(top);
            const QPixmap picture = pictureOf(*layers.at(0));
            // Two copies, set in turns: a label ignores a picture it already shows.
            pictures[0].push_back(picture.copy());
            pictures[1].push_back(picture.copy());
            texts.push_back(layers.at(1)->text());
        }
    }

    void showTurn(int turn)
    {
        for (size_t i = 0; i < grounds.size(); ++i) {
            grounds[i]->setPixmap(pictures[turn % 2][i]);
            tops[i]->setText(texts[i]);
        }
    }

private:
    QLabel background;
    std::vector<QLabel *> grounds, tops;
    std::vector<QPixmap> pictures[2];
    std::vector<QString> texts;
};

void reload(int rounds, int perRound)
{
    QDir::setCurrent(QStringLiteral(VELMORA_MAPS));
    MainWindow window;
    window.show();
    QPushButton *button = window.findChildren<QPushButton *>().value(0);
    QWidget *map = nullptr;
    for (QWidget *child : window.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (dynamic_cast<myMap *>(child))
            map = child;
    labelWindow baseline(*map);
    baseline.show();
    QApplication::processEvents();

    // What the design has a reload load: the empty picture for every tile,
    // then each tile's own.
    const QByteArray codes = plainMap::codesOf(QStringLiteral("test.map"));
    QStringList paths;
    for (char code : QByteArray(codes.size(), '0') + codes)
        paths.append(groundPicturePath(code));

    std::vector<double> viewer, labels, loads, loadsUnnamed;
    QElapsedTimer timer;
    // Each window is timed while it is the active one, as the viewer is when
    // its button is clicked: every label of an inactive window takes a longer
    // way to find that out at each paint.
    const auto activate = [](QWidget &active) {
        active.activateWindow();
        QApplication::processEvents();
    };
    // Rounds take the three in turns so that all see the same machine load.
    for (int round = -1; round < rounds; ++round) {
        activate(window);
        for (int i = 0; i < perRound; ++i) {
            timer.start();
            button->click();
            const QPixmap frame = window.grab();
            if (round >= 0)
                viewer.push_back(millisecondsOf(timer));
        }
        activate(baseline);
        for (int i = 0; i < perRound; ++i) {
            timer.start();
            baseline.showTurn(i);
            const QPixmap frame = baseline.grab();
            if (round >= 0)
                labels.push_back(millisecondsOf(timer));
        }
        // The same loads with the time zone named, as the programs name it,
        // and left unnamed, as a plain Qt program leaves it.
        for (std::vector<double> *times : {&loads, &loadsUnnamed}) {
            if (times == &loadsUnnamed)
                qunsetenv("TZ");
            tzset();
            for (int i = 0; i < perRound; ++i) {
                timer.start();
                for (const QString &path : paths) {
                    const QPixmap picture(path);
                }
                if (round >= 0)
                    times->push_back(millisecondsOf(timer));
            }
            nameLocalTimeZone();
            tzset();
        }
    }
    const double v = median(viewer), b = median(labels), l = median(loads);
    std::printf("reload of test.map with the window repainted (%zu runs each), medians:\n",
                viewer.size());
    std::printf("  reloadWanted() + repaint  %7.2f ms  (%.2fx)\n", v, v / b);
    std::printf("  baseline, plain labels    %7.2f ms\n", b);
    std::printf("  its %lld picture loads     %7.2f ms  (baseline + loads: %.2fx)\n",
                static_cast<long long>(paths.size()), l, (b + l) / b);
    std::printf("  the same, TZ unset        %7.2f ms  (%.2f ms more a reload)\n",
                median(loadsUnnamed), median(loadsUnnamed) - l);
}

void reading(int runs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // Lines of one code and 50 or 200 MB past it, which the reader skips to
    // the line feed, and 200 MB of blanks before the first code, which it
    // looks at byte by byte: the slowest file of its size.
    struct sample {
        const char *name;
        qint64 size;
        char filler;
    };
    const sample samples[] = {{"50 MB of codes", 50'000'000, '5'},
                              {"200 MB of codes", 200'000'000, '5'},
                              {"200 MB of blanks", 200'000'000, ' '}};
    for (const sample &each : samples) {
        QFile file(dir.filePath(QLatin1String(each.name)));
        if (!file.open(QIODevice::WriteOnly))
            return;
        const QByteArray chunk(1 << 20, each.filler);
        for (qint64 written = 0; written < each.size; written += chunk.size())
            file.write(chunk.constData(), qMin<qint64>(chunk.size(), each.size - written));
    }
    myMap map;
    std::vector<double> times[std::size(samples)];
    QElapsedTimer timer;
    for (int run = -1; run < runs; ++run) {
        for (size_t i = 0; i < std::size(samples); ++i) {
            timer.start();
            map.loadMap(QLatin1String(samples[i].name));
            if (run >= 0)
                times[i].push_back(millisecondsOf(timer));
        }
    }
    std::printf("reading a file with no line feed from the page cache (%d runs each), medians:\n", runs);
    const double small = median(times[0]);
    for (size_t i = 0; i < std::size(samples); ++i) {
        const double time = median(times[i]);
        std::printf("  %-17s %8.1f ms  (%.2fx the 50 MB file's time; %.0f MB/s)\n", samples[i].name,
                    time, time / small, double(samples[i].size) / 1e6 / (time / 1000));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the viewer's main does, so that loads are timed as the viewer runs them.
    nameLocalTimeZone();
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--first"))
        return firstRun(arguments.value(1));
    // Naming parts runs only those, e.g. "reload" alone under callgrind.
    const auto wanted = [&arguments](const char *part) {
        return arguments.isEmpty() || arguments.contains(QLatin1String(part));
    };
    if (wanted("startup"))
        startupBreakdown(application.applicationFilePath(), 21);
    if (wanted("reload"))
        reload(10, 50);
    if (wanted("reading"))
        reading(7);
    return 0;
}
