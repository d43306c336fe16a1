// A result that cannot be written is an error of its own (74), said on
// standard error, never a success.
#include "CliExitStatus.h"
#include "CliOutput.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

using namespace brisvander;

namespace {
std::string ContentOf(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string content;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        content.append(buffer, n);
    return content;
}

struct Streams {
    std::FILE* result = nullptr;
    std::FILE* messages = std::tmpfile();
    ~Streams()
    {
        for (std::FILE* f : {result, messages})
            if (f != nullptr)
                std::fclose(f);
    }
};
} // namespace

TEST(StreamCliOutput, AWrittenResultKeepsTheStatus)
{
    Streams streams;
    streams.result = std::tmpfile();
    ASSERT_NE(streams.result, nullptr);
    StreamCliOutput output(streams.result, streams.messages);
    output.Result("Verbinde mit SNTP Zeitserver: 127.0.0.1\n");
    output.Message("a warning\n");
    output.Result("OK.\n");
    EXPECT_EQ(output.Finish(ExitClockNotSet), ExitClockNotSet);
    EXPECT_EQ(ContentOf(streams.result), "Verbinde mit SNTP Zeitserver: 127.0.0.1\nOK.\n");
    EXPECT_EQ(ContentOf(streams.messages), "a warning\n");
}

TEST(StreamCliOutput, AFullDeviceTurnsSuccessIntoSeventyFour)
{
    Streams streams;
    streams.result = std::fopen("/dev/full", "w");
    if (streams.result == nullptr)
        GTEST_SKIP() << "/dev/full is not there";
    StreamCliOutput output(streams.result, streams.messages);
    output.Result("{\"success\":true}\n"); // buffered: the loss shows at the flush
    EXPECT_EQ(output.Finish(ExitSuccess), ExitOutputLost);
    EXPECT_EQ(ContentOf(streams.messages),
              "brisvander-cli: the result could not be written to standard output: No space left on device\n");
}

TEST(StreamCliOutput, AResultLargerThanTheBufferIsCaughtAtTheWrite)
{
    Streams streams;
    streams.result = std::fopen("/dev/full", "w");
    if (streams.result == nullptr)
        GTEST_SKIP() << "/dev/full is not there";
    std::setvbuf(streams.result, nullptr, _IONBF, 0);
    StreamCliOutput output(streams.result, streams.messages);
    output.Result(std::string(100000, 'x'));
    EXPECT_EQ(output.Finish(ExitQueryFailed), ExitOutputLost);
    EXPECT_NE(ContentOf(streams.messages).find("No space left on device"), std::string::npos);
}
