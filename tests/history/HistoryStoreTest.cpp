#include "BackgroundHistoryRecorder.h"
#include "HistoryDrift.h"
#include "HistoryReader.h"
#include "HistoryRecorder.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <filesystem>
#include <fstream>
#include <sys/capability.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace brisvander {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kStart = 1'790'000'000'000'000;

class HistoryFile : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("history-test-" + std::to_string(getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        m_path = (m_folder / "state" / "brisvander" / "history.sqlite").string();
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // A value of the file's own, read through a connection of the test's.
    QVariant Pragma(const QString& statement)
    {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-reader");
            db.setDatabaseName(QString::fromStdString(m_path));
            db.open();
            QSqlQuery query(db);
            if (query.exec(statement) && query.next())
                value = query.value(0);
        }
        QSqlDatabase::removeDatabase("test-reader");
        return value;
    }

    std::string Bytes() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::vector<MeasurementRecord> Measurements(HistoryStore& store, const HistoryFilter& filter = {})
    {
        std::vector<MeasurementRecord> rows;
        EXPECT_EQ(ForEachMeasurement(store, filter, [&rows](const MeasurementRecord& r) {
                      rows.push_back(r);
                      return true;
                  }),
                  HistoryStatus::Ok);
        return rows;
    }

    fs::path m_folder;
    std::string m_path;
};

MeasurementRecord Answered(std::int64_t time, const std::string& host, double offset = 0.001)
{
    MeasurementRecord r;
    r.UnixMicroseconds = time;
    r.Host = host;
    r.Succeeded = true;
    r.OffsetSeconds = offset;
    r.DelaySeconds = 0.02;
    return r;
}

TEST_F(HistoryFile, AnEmptyFileIsMigratedOnceInWalMode)
{
    fs::create_directories(fs::path(m_path).parent_path());
    std::ofstream(m_path).close();
    {
        HistoryStore store;
        ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
        EXPECT_EQ(store.AppendMeasurement(Answered(kStart, "a")), HistoryStatus::Ok);
    }
    EXPECT_EQ(Pragma("PRAGMA user_version").toInt(), 1);
    EXPECT_EQ(Pragma("PRAGMA journal_mode").toString(), "wal");
    HistoryStore again;
    ASSERT_EQ(again.Open(m_path), HistoryStatus::Ok);
    EXPECT_EQ(Measurements(again).size(), 1u);

    Pragma("PRAGMA user_version = 99");
    again.Close();
    EXPECT_EQ(again.Open(m_path), HistoryStatus::NewerSchema);
}

TEST_F(HistoryFile, ReadsBackInTimeOrderFilteredAndMergedWithSteps)
{
    HistoryStore store;
    ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
    EXPECT_EQ(fs::status(fs::path(m_path).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    MeasurementRecord full = Answered(kStart + 2000, "b.example", -0.25);
    full.Address = "192.0.2.7";
    full.Port = 4123;
    full.Source = MeasurementSource::Watch;
    full.Stratum = 2;
    full.RootDelaySeconds = 0.003;
    full.RootDispersionSeconds = 0.004;
    full.Nts = full.Interleaved = true;
    MeasurementRecord failed;
    failed.UnixMicroseconds = kStart + 1000;
    failed.Host = "a.example";
    failed.Error = 10060;
    ASSERT_EQ(store.AppendMeasurements(std::vector{full, failed, Answered(kStart + 3000, "a.example")}), HistoryStatus::Ok);
    ASSERT_EQ(store.AppendStep({kStart + 2000, "b.example", 0.25, StepWay::Service}), HistoryStatus::Ok);

    const std::vector<MeasurementRecord> all = Measurements(store);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Error, 10060);
    EXPECT_FALSE(all[0].OffsetSeconds || all[0].Stratum || all[0].Address);
    const MeasurementRecord& back = all[1];
    EXPECT_EQ(back.UnixMicroseconds, full.UnixMicroseconds);
    EXPECT_EQ(back.Address, full.Address);
    EXPECT_EQ(back.Port, 4123);
    EXPECT_EQ(back.Source, MeasurementSource::Watch);
    EXPECT_EQ(back.OffsetSeconds, -0.25);
    EXPECT_EQ(back.Stratum, 2);
    EXPECT_EQ(back.RootDispersionSeconds, 0.004);
    EXPECT_TRUE(back.Nts && back.Interleaved);

    EXPECT_EQ(Measurements(store, {kStart + 1500, std::string("a.example")}).size(), 1u);
    std::vector<std::string> order;
    ASSERT_EQ(ForEachEntry(store, {}, [&order](const HistoryEntry& entry) {
                  order.push_back(std::holds_alternative<ClockStepRecord>(entry) ? "step"
                                                                                 : std::get<0>(entry).Host);
                  return true;
              }),
              HistoryStatus::Ok);
    EXPECT_EQ(order, (std::vector<std::string>{"a.example", "step", "b.example", "a.example"}));
}

TEST_F(HistoryFile, DriftSegmentsFollowTheOrderOfWritingAcrossAStepBack)
{
    HistoryStore store;
    ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
    // A clock 50 ppm fast, an hour ahead, set back after ten minutes: the
    // second segment's local times come before the first one's.
    std::vector<MeasurementRecord> before, after;
    for (int i = 0; i < 10; ++i) {
        before.push_back(Answered(kStart + i * 60'000'000LL, "a", -3600 - 50e-6 * i * 60));
        after.push_back(Answered(kStart - 3000'000'000LL + i * 60'000'000LL, "a", -50e-6 * i * 60));
    }
    ASSERT_EQ(store.AppendMeasurements(before), HistoryStatus::Ok);
    ASSERT_EQ(store.AppendStep({kStart + 600'000'000, "a", -3600, StepWay::Capability}), HistoryStatus::Ok);
    ASSERT_EQ(store.AppendMeasurements(after), HistoryStatus::Ok);
    const HistoryDriftResult drift = EstimateDriftFromHistory(store, {});
    ASSERT_EQ(drift.Status, HistoryStatus::Ok);
    ASSERT_TRUE(drift.Report.Combined);
    EXPECT_NEAR(drift.Report.Combined->DriftPpm, 50, 1e-6);
    EXPECT_EQ(drift.Report.Combined->Measurements, 20);
}

TEST_F(HistoryFile, TwoWritersAtOnceLoseNoRow)
{
    constexpr int kRowsEach = 300;
    std::atomic<int> failures{0};
    auto writer = [&](const std::string& host) {
        HistoryStore store;
        if (store.Open(m_path) != HistoryStatus::Ok)
            ++failures;
        for (int i = 0; i < kRowsEach; ++i)
            if (store.AppendMeasurement(Answered(kStart + i, host)) != HistoryStatus::Ok)
                ++failures;
    };
    std::thread first(writer, "first"), second(writer, "second");
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    HistoryStore store;
    ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
    EXPECT_EQ(Measurements(store).size(), 2u * kRowsEach);
}

TEST_F(HistoryFile, ADamagedFileIsReportedOnceAndLeftAsItIs)
{
    fs::create_directories(fs::path(m_path).parent_path());
    std::string garbage(8192, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(i * 7919 % 251);
    std::ofstream(m_path, std::ios::binary) << garbage;

    std::vector<Failure> warnings;
    HistoryRecorder recorder(m_path, [&warnings](const Failure& failure) { warnings.push_back(failure); });
    EXPECT_EQ(recorder.Record(Answered(kStart, "a")), HistoryStatus::Damaged);
    EXPECT_EQ(recorder.Record(ClockStepRecord{kStart, "a", 1.0, StepWay::Capability}), HistoryStatus::Damaged);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].Kind, FailureKind::HistoryNotWritten);
    EXPECT_EQ(warnings[0].Cause, FailureKind::HistoryDamaged);
    EXPECT_EQ(warnings[0].Detail, m_path);
    EXPECT_EQ(Bytes(), garbage);
}

TEST_F(HistoryFile, TheBackgroundRecorderWritesAllAndWarnsOnTheCallersThread)
{
    {
        BackgroundHistoryRecorder recorder(m_path, nullptr);
        recorder.Record(Answered(kStart, "a"));
        recorder.Record(std::vector{Answered(kStart + 1, "a"), Answered(kStart + 2, "b")});
        recorder.Record(ClockStepRecord{kStart + 3, "a", 0.5, StepWay::Service});
        EXPECT_EQ(recorder.Finish(), HistoryStatus::Ok);
    }
    HistoryStore store;
    ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
    EXPECT_EQ(Measurements(store).size(), 3u);

    const std::string folderInsteadOfFile = (m_folder / "state").string();
    std::vector<std::thread::id> warnedOn;
    BackgroundHistoryRecorder failing(folderInsteadOfFile, [&warnedOn](const Failure&) {
        warnedOn.push_back(std::this_thread::get_id());
    });
    failing.Record(Answered(kStart, "a"));
    EXPECT_NE(failing.Finish(), HistoryStatus::Ok);
    EXPECT_EQ(warnedOn, std::vector{std::this_thread::get_id()});
}

// Root writes to any file; without CAP_DAC_OVERRIDE (per thread) it meets the mode bits like anyone.
class WithoutOverride {
public:
    WithoutOverride()
    {
        cap_t caps = cap_get_proc();
        const cap_value_t rights[] = {CAP_DAC_OVERRIDE, CAP_FOWNER};
        cap_set_flag(caps, CAP_EFFECTIVE, 2, rights, CAP_CLEAR);
        cap_set_proc(caps);
        cap_free(caps);
    }
    ~WithoutOverride()
    {
        cap_t caps = cap_get_proc();
        const cap_value_t rights[] = {CAP_DAC_OVERRIDE, CAP_FOWNER};
        cap_set_flag(caps, CAP_EFFECTIVE, 2, rights, CAP_SET);
        cap_set_proc(caps);
        cap_free(caps);
    }
};

TEST_F(HistoryFile, AReadOnlyFileIsReportedOnceAndLeftAsItIs)
{
    {
        HistoryStore store;
        ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
        ASSERT_EQ(store.AppendMeasurement(Answered(kStart, "a")), HistoryStatus::Ok);
    }
    const std::string before = Bytes();
    ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);
    WithoutOverride asAnyone;
    std::vector<Failure> warnings;
    HistoryRecorder recorder(m_path, [&warnings](const Failure& failure) { warnings.push_back(failure); });
    EXPECT_EQ(recorder.Record(Answered(kStart + 1, "a")), HistoryStatus::ReadOnly);
    EXPECT_EQ(recorder.Record(Answered(kStart + 2, "a")), HistoryStatus::ReadOnly);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].Cause, FailureKind::HistoryReadOnly);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(HistoryFile, RetentionTrimsByCountAndByTheServersTime)
{
    const RetentionPolicy policy{3600LL * 1000000, 10, 5};
    EXPECT_TRUE(IsTrimDue(4, 6, policy));
    EXPECT_FALSE(IsTrimDue(6, 9, policy));
    HistoryStore store(policy);
    ASSERT_EQ(store.Open(m_path), HistoryStatus::Ok);
    // Ids 1 to 23, an hour and a bit between the first eight and the rest.
    for (int id = 1; id <= 23; ++id)
        ASSERT_EQ(store.AppendMeasurement(Answered(kStart + (id > 8 ? 3700'000'000LL : 0) + id, "a")), HistoryStatus::Ok);
    // The trim at id 20 kept ids 11 to 20 by count; rows older than an hour went at id 10.
    std::vector<MeasurementRecord> rows = Measurements(store);
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows.front().UnixMicroseconds, kStart + 3700'000'000LL + 11);

    // A row whose local time is years ahead but whose offset says otherwise trims nothing by age.
    MeasurementRecord ahead = Answered(kStart + 3700'000'000LL + 5LL * 365 * 86400 * 1000000, "a");
    ahead.OffsetSeconds = -5.0 * 365 * 86400;
    for (int id = 24; id <= 25; ++id)
        ASSERT_EQ(store.AppendMeasurement(ahead), HistoryStatus::Ok);
    EXPECT_EQ(Measurements(store).size(), 10u);
}

} // namespace
} // namespace brisvander
