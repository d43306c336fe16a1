// brisvander-history-bench: what the history costs. Fills a temporary
// history with a million measurements of two servers around one step of
// the clock, then times (a) one recording into that large file, as a run
// makes it: a fresh process that waits as long as an exchange would, opens
// the file, writes one row and ends, against the same process that only
// waits; once with the recorder on the caller's thread, once with the one
// that opens the file on its own thread during the wait; (b) reading every
// row and working out the drift. Prints the figures; asserts nothing.
//   brisvander-history-bench [ROWS]
#include "BackgroundHistoryRecorder.h"
#include "FailureText.h"
#include "HistoryDrift.h"
#include "HistoryRecorder.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
using namespace brisvander;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kStart = 1'790'000'000'000'000;
constexpr std::int64_t kEvery = 16'000'000; // one measurement each 16 s, the servers taking turns

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

MeasurementRecord Synthetic(std::int64_t i, std::int64_t stepAt, std::mt19937& random)
{
    std::exponential_distribution<double> queueing(1 / 0.005);
    std::normal_distribution<double> unit;
    MeasurementRecord r;
    r.UnixMicroseconds = kStart + i * kEvery;
    r.Host = i % 2 == 0 ? "ntp-a.example" : "ntp-b.example";
    r.Address = i % 2 == 0 ? "192.0.2.1" : "192.0.2.2";
    r.Source = MeasurementSource::Watch;
    r.Succeeded = i % 1000 != 999;
    if (!r.Succeeded) {
        r.Error = 10060;
        return r;
    }
    const double since = static_cast<double>(r.UnixMicroseconds - (i < stepAt ? kStart : kStart + stepAt * kEvery)) * 1e-6;
    const double delay = 0.02 + queueing(random);
    r.DelaySeconds = delay;
    r.OffsetSeconds = (i < stepAt ? 0.5 : 0.0) - 50e-6 * since + unit(random) * delay * 0.05;
    r.Stratum = 2;
    return r;
}

bool Fill(const std::string& path, std::int64_t rows)
{
    HistoryStore store;
    if (store.Open(path) != HistoryStatus::Ok)
        return false;
    std::mt19937 random(1);
    const std::int64_t stepAt = rows / 2;
    std::vector<MeasurementRecord> batch;
    for (std::int64_t i = 0; i < rows; ++i) {
        batch.push_back(Synthetic(i, stepAt, random));
        if (i == stepAt - 1 || batch.size() == 10000 || i == rows - 1) {
            if (store.AppendMeasurements(batch) != HistoryStatus::Ok)
                return false;
            batch.clear();
        }
        if (i == stepAt - 1 &&
            store.AppendStep({kStart + stepAt * kEvery - 1, "ntp-a.example", -0.5, StepWay::Capability}) != HistoryStatus::Ok)
            return false;
    }
    return true;
}

MeasurementRecord OneMoreRow()
{
    MeasurementRecord r;
    r.UnixMicroseconds = kStart + 2'000'000 * kEvery;
    r.Host = "ntp-a.example";
    r.Succeeded = true;
    r.OffsetSeconds = 0.001;
    r.DelaySeconds = 0.02;
    return r;
}

// The child's side: a run whose exchange takes `exchangeMs`, recording its
// one row in the way `mode` names (or not at all). Prints how long it then
// waited for the history, in milliseconds.
int ChildRun(const std::string& mode, const char* path, int exchangeMs)
{
    const auto warn = [](const Failure& failure) { std::fprintf(stderr, "%s\n", FailureText(failure).c_str()); };
    const auto exchange = [exchangeMs] { std::this_thread::sleep_for(std::chrono::milliseconds(exchangeMs)); };
    HistoryStatus status = HistoryStatus::Ok;
    Clock::time_point exchanged;
    if (mode == "--background") {
        BackgroundHistoryRecorder recorder(path, warn);
        exchange();
        exchanged = Clock::now();
        recorder.Record(OneMoreRow());
        status = recorder.Finish();
    } else {
        exchange();
        exchanged = Clock::now();
        if (mode != "--idle")
            status = HistoryRecorder(path, warn).Record(OneMoreRow());
    }
    std::printf("%.3f\n", MillisecondsSince(exchanged));
    return status == HistoryStatus::Ok ? 0 : 1;
}

struct ChildTimes {
    double WallMs = -1;   // the whole process, seen from here
    double WaitedMs = -1; // after its exchange, for the history, seen by the child
};

ChildTimes RunChild(const std::string& self, const std::string& mode, const std::string& path, int exchangeMs)
{
    const std::string wait = std::to_string(exchangeMs);
    const char* argv[] = {self.c_str(), mode.c_str(), path.c_str(), wait.c_str(), nullptr};
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ChildTimes times;
    if (spawned == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            times.WallMs = MillisecondsSince(start);
        char text[32] = {};
        if (read(out[0], text, sizeof text - 1) > 0)
            times.WaitedMs = std::atof(text);
    }
    close(out[0]);
    return times;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Whole-process times jump by milliseconds with the machine's load, so each
// way is set against the plain run started just before it.
void TimeOneRecording(const std::string& path)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    constexpr int kRounds = 41;
    std::printf("(a) one recording into the large file, %d fresh processes each way; medians in ms\n"
                "    exchange  plain run |  caller's thread: waited, run longer by | own thread: waited, run longer by\n",
                kRounds);
    for (int exchangeMs : {0, 20}) {
        std::vector<double> plain, callerWaited, callerLonger, ownWaited, ownLonger;
        for (int round = 0; round < kRounds; ++round) {
            const ChildTimes idle = RunChild(self, "--idle", path, exchangeMs);
            const ChildTimes caller = RunChild(self, "--caller", path, exchangeMs);
            const ChildTimes idleAgain = RunChild(self, "--idle", path, exchangeMs);
            const ChildTimes own = RunChild(self, "--background", path, exchangeMs);
            plain.push_back(idle.WallMs);
            callerWaited.push_back(caller.WaitedMs);
            callerLonger.push_back(caller.WallMs - idle.WallMs);
            ownWaited.push_back(own.WaitedMs);
            ownLonger.push_back(own.WallMs - idleAgain.WallMs);
        }
        std::printf("    %5d ms  %9.2f |  %30.2f %7.2f | %25.2f %7.2f\n", exchangeMs, Median(plain),
                    Median(callerWaited), Median(callerLonger), Median(ownWaited), Median(ownLonger));
    }
}

void TimeDrift(const std::string& path)
{
    for (int round = 1; round <= 3; ++round) {
        const Clock::time_point start = Clock::now();
        HistoryStore store;
        store.Open(path);
        const HistoryDriftResult drift = EstimateDriftFromHistory(store, {});
        const double elapsed = MillisecondsSince(start);
        std::printf("(b) read every row and work out the drift, round %d: %.0f ms (status %d)", round, elapsed,
                    static_cast<int>(drift.Status));
        if (drift.Report.Combined)
            std::printf(", combined %+.4f +/- %.4f ppm over %lld measurements", drift.Report.Combined->DriftPpm,
                        drift.Report.Combined->DriftPpmUncertainty,
                        static_cast<long long>(drift.Report.Combined->Measurements));
        std::printf("\n");
    }
    Clock::time_point start = Clock::now();
    HistoryStore store;
    store.Open(path);
    std::int64_t points = 0;
    ForEachDriftPoint(store, {}, [&points](std::string_view, std::int64_t, const DriftPoint&) { ++points; });
    std::printf("    of which reading the drift's columns alone: %.0f ms (%lld rows)\n", MillisecondsSince(start),
                static_cast<long long>(points));
    start = Clock::now();
    std::int64_t rows = 0;
    ForEachEntry(store, {}, [&rows](const HistoryEntry&) { return ++rows > 0; });
    std::printf("    for comparison, every row of the listing read whole: %.0f ms (%lld rows)\n",
                MillisecondsSince(start), static_cast<long long>(rows));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 4 && std::string(argv[1]).rfind("--", 0) == 0)
        return ChildRun(argv[1], argv[2], std::atoi(argv[3]));
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1'000'000;
    char folder[] = "/tmp/brisvander-history-bench-XXXXXX";
    if (rows <= 0 || mkdtemp(folder) == nullptr)
        return 64;
    const std::string path = std::string(folder) + "/history.sqlite";
    const Clock::time_point start = Clock::now();
    if (!Fill(path, rows)) {
        std::fprintf(stderr, "could not fill %s\n", path.c_str());
        return 1;
    }
    std::printf("filled %lld measurements of two servers and one step in %.1f s\n", static_cast<long long>(rows),
                MillisecondsSince(start) / 1000);
    TimeOneRecording(path);
    std::printf("    file %.0f MB\n", static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    TimeDrift(path);
    std::filesystem::remove_all(folder);
    return 0;
}
