// brisvander-history-window-bench: how soon the Verlauf window shows a long
// history, and what the program then holds in memory. A child process
// fills a history of ROWS measurements (default 100,000; two servers, a
// clock 50 ppm fast, one step) in a temporary state folder, so that the
// filling's memory is not counted. Then the desktop program starts here
// (offscreen unless QT_QPA_PLATFORM says otherwise), and its Ansicht >
// Verlauf action is triggered as a menu click triggers it, RUNS times (a
// fresh window each time). For each it prints the milliseconds from the
// click to the window's first paint, and to the first paint of the plot
// with every measurement read; then the time of reading alone and of
// drawing alone, and the process's peak resident memory. Asserts nothing.
//   brisvander-history-window-bench [ROWS] [RUNS]
#include "BrisvanderApp.h"
#include "CommandIds.h"
#include "HistoryChart.h"
#include "HistorySnapshot.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainFrame.h"
#include "PreparedHistory.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDateTime>
#include <QEvent>
#include <QTemporaryDir>
#include <QXYSeries>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Two servers taking turns every 16 s, ending now; a step halfway.
SyntheticHistory LongHistory(std::int64_t rows)
{
    SyntheticHistory history;
    history.Hosts = {"ntp-a.example", "ntp-b.example"};
    history.EveryMicroseconds = 16'000'000;
    history.Count = rows;
    history.FromMicroseconds = NowMicroseconds() - rows * history.EveryMicroseconds;
    history.NoiseSeconds = 0.0005;
    history.DelaySeconds = 0.02;
    history.StepAfter = rows / 2;
    return history;
}

bool FillInChild(std::int64_t rows)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(WriteSyntheticHistory(DefaultHistoryPath(), LongHistory(rows)) == HistoryStatus::Ok ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Notes when a widget is first painted, and when it is first painted with
// `ready` true.
class PaintClock : public QObject {
public:
    PaintClock(QWidget& widget, std::function<bool()> ready) : m_ready(std::move(ready))
    {
        widget.installEventFilter(this);
    }
    double FirstMs = -1;
    double ReadyMs = -1;
    Clock::time_point Start;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (FirstMs < 0)
                FirstMs = MillisecondsSince(Start);
            if (ReadyMs < 0 && m_ready())
                ReadyMs = MillisecondsSince(Start);
        }
        return false;
    }

private:
    std::function<bool()> m_ready;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One click on Ansicht > Verlauf, timed until the plot is painted.
std::pair<double, double> TimeOneOpening(CBrisvanderApp& app)
{
    const Clock::time_point start = Clock::now();
    app.MainFrame()->CommandAction(ID_VIEW_HISTORY)->trigger();
    HistoryWindow* window = app.HistoryWindowShown();
    PaintClock whole(*window, [] { return true; });
    PaintClock plot(*window->ChartView()->viewport(),
                    [window] { return !window->Busy() && !window->Chart()->series().isEmpty(); });
    whole.Start = plot.Start = start;
    const Clock::time_point limit = start + std::chrono::seconds(30);
    while (plot.ReadyMs < 0 && Clock::now() < limit)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const std::pair<double, double> times{whole.FirstMs, plot.ReadyMs};
    static bool counted = false;
    if (!counted) {
        qsizetype points = 0;
        for (QAbstractSeries* series : window->Chart()->series())
            if (auto* line = qobject_cast<QXYSeries*>(series))
                points += line->count();
        std::printf("  (the plot draws %lld points in its lines, %d pixel columns wide)\n",
                    static_cast<long long>(points), window->ChartView()->viewport()->width());
        counted = true;
    }
    window->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return times;
}

void TimeReadingAndDrawing(std::int64_t rows)
{
    const Clock::time_point reading = Clock::now();
    const HistorySnapshot snapshot = ReadHistorySnapshot(DefaultHistoryPath(), HistorySpan::All, NowMicroseconds());
    const double readMs = MillisecondsSince(reading);
    HistoryChart chart;
    const Clock::time_point drawing = Clock::now();
    chart.Show(snapshot, 840);
    std::printf("reading alone: %.1f ms (%zu of %lld measurements); building the plot alone: %.1f ms (%lld series)\n",
                readMs, snapshot.MeasurementCount(), static_cast<long long>(rows), MillisecondsSince(drawing),
                static_cast<long long>(chart.series().size()));
}
} // namespace

int main(int argc, char** argv)
{
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 100'000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    QTemporaryDir state;
    QTemporaryDir config;
    setenv("XDG_STATE_HOME", state.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!FillInChild(rows)) {
        std::fputs("cannot fill the history\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    CBrisvanderApp app;
    if (!app.InitInstance())
        return 1;
    QApplication::processEvents();

    std::printf("%lld measurements; click on Ansicht > Verlauf to the first paint, ms\n", static_cast<long long>(rows));
    std::vector<double> windows, plots;
    for (int run = 1; run <= runs; ++run) {
        const auto [window, plot] = TimeOneOpening(app);
        std::printf("  run %d: window %.1f, plot %.1f\n", run, window, plot);
        windows.push_back(window);
        plots.push_back(plot);
    }
    std::printf("median: window %.1f ms, plot %.1f ms\n", Median(windows), Median(plots));
    TimeReadingAndDrawing(rows);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
