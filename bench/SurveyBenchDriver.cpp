// brisvander-survey-bench: one survey through the engine, for the benchmark
// (the command-line program has no survey command yet). Reads a host list
// file, surveys every host on PORT, and prints the survey as JSON on
// standard output and "survey-seconds S" (the engine's wall time alone) on
// standard error. Exit status as the command's: 0, 1 or 3.
//   brisvander-survey-bench PORT LIST-FILE [SAMPLES]
#include "HostListFile.h"
#include "SurveyEngine.h"
#include "SurveyJson.h"
#include "SurveyVerdict.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

int main(int argc, char* argv[])
{
    using namespace brisvander;
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: brisvander-survey-bench PORT LIST-FILE [SAMPLES]\n");
        return 64;
    }
    std::ifstream file(argv[2]);
    std::stringstream text;
    text << file.rdbuf();
    if (!file) {
        std::fprintf(stderr, "brisvander-survey-bench: cannot read %s\n", argv[2]);
        return 66;
    }
    const HostList list = ParseHostList(text.str());
    for (const HostListProblem& problem : list.Problems)
        std::fprintf(stderr, "%s:%d: no host\n", argv[2], problem.Line);

    SurveyPlan plan;
    plan.Port = std::atoi(argv[1]);
    plan.Samples = argc == 4 ? std::atoi(argv[3]) : 1;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<HostSurvey> results = RunSurvey(list.Hosts, plan);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const SurveyVerdict verdict = JudgeSurvey(results);
    std::fprintf(stderr, "survey-seconds %.6f\n", took.count());
    const QByteArray json = SurveyToJson(results, verdict);
    std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
    std::fputc('\n', stdout);
    return verdict.Given() ? 0 : 1;
}
