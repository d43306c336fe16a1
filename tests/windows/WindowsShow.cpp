// Not a test: the desktop program over a made-up history (two servers, a
// clock 12 ppm fast, stepped once) and with a survey of loopback servers,
// two of them set wrong and one silent, for the screenshots of its windows.
// Its commands ask the same loopback servers and set no clock.
//   XDG_STATE_HOME=<a folder of its own> brisvander_windows_show
#include "BrisvanderApp.h"
#include "HistoryStore.h"
#include "LoopbackServerFarm.h"
#include "PreparedHistory.h"
#include "RecordingClockControl.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {
constexpr std::int64_t Minute = 60'000'000;
constexpr std::int64_t Day = 24 * 60 * Minute;

SyntheticHistory ThreeDays()
{
    SyntheticHistory history;
    history.Hosts = {"ptbtime1.ptb.de", "ntp1.fau.de"};
    history.EveryMicroseconds = 5 * Minute / 2;
    history.Count = 3 * Day / history.EveryMicroseconds;
    history.FromMicroseconds = NowMicroseconds() - history.Count * history.EveryMicroseconds;
    history.DriftPpm = 12;
    history.FirstOffsetSeconds = 0.3;
    history.DelaySeconds = 0.018;
    history.NoiseSeconds = 0.002;
    // Set right at that moment: the step is the offset the clock had then.
    const std::int64_t stepAt = history.Count * 2 / 3;
    history.StepSeconds = SyntheticOffset(history, stepAt);
    history.StepAfter = stepAt;
    return history;
}

std::vector<FarmServer> Servers()
{
    using Manner = FarmServer::Manner;
    return {{"127.0.5.1", 8, 0.0, Manner::Answer},   {"127.0.5.2", 14, 0.0, Manner::Answer},
            {"127.0.5.3", 22, 0.0, Manner::Answer},  {"127.0.5.4", 5, 0.0, Manner::Answer},
            {"127.0.5.5", 30, 0.0, Manner::Answer},  {"127.0.5.6", 10, 0.8, Manner::Answer},
            {"127.0.5.7", 12, -0.25, Manner::Answer}, {"127.0.5.8", 0, 0.0, Manner::Silent}};
}
} // namespace

int main(int argc, char** argv)
{
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome == nullptr || *stateHome != '/') {
        std::fputs("brisvander_windows_show: set XDG_STATE_HOME to a folder of its own\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    if (WriteSyntheticHistory(DefaultHistoryPath(), ThreeDays()) != HistoryStatus::Ok) {
        std::fputs("brisvander_windows_show: cannot write the history\n", stderr);
        return 1;
    }
    const std::vector<FarmServer> servers = Servers();
    LoopbackServerFarm farm(servers);
    RecordingClockControl clock;
    AppSeams seams;
    seams.Time.Port = farm.Port();
    seams.Time.Clock = &clock;
    for (const FarmServer& server : servers)
        seams.Survey.Hosts.push_back(server.Address);
    seams.Survey.Plan.Port = farm.Port();
    int status = 0;
    {
        CBrisvanderApp brisvander(seams);
        if (!brisvander.InitInstance())
            return 1;
        status = QApplication::exec();
    }
    std::fflush(nullptr);
    std::_Exit(status); // a survey closed on is not waited for
}
