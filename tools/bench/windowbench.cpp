// windowbench: "Start Exporting" in the real export window, timed from the click to the
// closing message, so that the window's path can be set beside the command line's.
//
//     QT_QPA_PLATFORM=offscreen windowbench [--repeat N] [--reopen] DATABASE OUTPUT_FOLDER
//
// The program starts as a returning user's does (the database remembered, so it opens
// straight into the export window with every table ticked), in a settings folder of its
// own. --reopen forgets the database the table list opened before each click, which is
// what every export cost before the open was shared. Prints wall and CPU time of each
// run in milliseconds and their medians; message boxes are answered at once.

#include "app/Program.h"
#include "app/settings/SettingsStore.h"
#include "db/OpenDatabaseCache.h"
#include "export/widgets/Form2.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <vector>

namespace {

using namespace quorvane;

class AnsweringBoxes : public app::MessageBoxes {
public:
    int show(QWidget*, const QString& text, int, const QString&) override
    {
        lastText = text;
        shownAt = clock ? clock->nsecsElapsed() : 0;
        return app::mb::kOk;
    }
    const QElapsedTimer* clock = nullptr;
    QString lastText;
    qint64 shownAt = 0;
};

// Never the one start in a hundred that opens the maker's home page.
class FixedRandom : public app::RandomSource {
public:
    void seedFromTime() override {}
    double next() override { return 0.5; }
};

class NoBrowser : public app::BrowserOpener {
public:
    bool openUrl(const QString&) override { return true; }
};

int usage()
{
    std::fputs("usage: windowbench [--repeat N] [--reopen] DATABASE OUTPUT_FOLDER\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int repeat = 5;
    bool reopen = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--reopen") == 0)
            reopen = true;
        else if (argv[i][0] != '-')
            paths.push_back(argv[i]);
        else
            return usage();
    }
    if (paths.size() != 2)
        return usage();

    // Settings of its own, never the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication application(argc, argv);
    const QString database = QDir().absoluteFilePath(QString::fromLocal8Bit(paths[0]));
    const QString output = QDir().absoluteFilePath(QString::fromLocal8Bit(paths[1]));
    {
        app::SettingsStore store;
        store.saveSetting(app::keys::kDatabase, database);
        store.saveSetting(app::keys::kOutputFolder, output + QDir::separator());
    }

    AnsweringBoxes boxes;
    FixedRandom random;
    NoBrowser browser;
    app::UiServices services;
    services.messageBoxes = &boxes;
    services.random = &random;
    services.browser = &browser;
    app::Program program(services);
    program.start();
    exporter::Form2* form2 = program.loadedForm2();
    if (!form2 || !form2->isVisible()) {
        std::fprintf(stderr, "windowbench: the export window did not open (%s)\n", qPrintable(boxes.lastText));
        return 1;
    }
    auto* start = form2->findChild<QPushButton*>(QStringLiteral("PushButton5"));

    std::vector<double> times;
    std::vector<double> cpuTimes;
    QElapsedTimer clock;
    boxes.clock = &clock;
    for (int run = 0; run < repeat; ++run) {
        if (reopen)
            db::OpenDatabaseCache::clear();
        QCoreApplication::processEvents();
        boxes.lastText.clear();
        const std::clock_t cpuStart = std::clock();
        clock.start();
        start->click();
        const std::clock_t cpuEnd = std::clock();
        if (boxes.lastText != QLatin1String("Done.")) {
            std::fprintf(stderr, "windowbench: the export ended with \"%s\"\n", qPrintable(boxes.lastText));
            return 1;
        }
        times.push_back(double(boxes.shownAt) / 1e6);
        cpuTimes.push_back(double(cpuEnd - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        std::printf("run %d: %.1f ms wall, %.1f ms CPU\n", run + 1, times.back(), cpuTimes.back());
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    std::printf("median: %.1f ms wall, %.1f ms CPU\n", times[times.size() / 2], cpuTimes[cpuTimes.size() / 2]);
    return 0;
}
