#pragma once
// Where the program's text goes: the result to standard output, messages to
// standard error. A result that could not be written is never a success.
#include <cstdio>
#include <string>
#include <string_view>

namespace brisvander {

class CliOutput {
public:
    virtual ~CliOutput() = default;
    // The result: the report, the JSON, the help or the version.
    virtual void Result(std::string_view text) = 0;
    // Usage errors and warnings; written at once.
    virtual void Message(std::string_view text) = 0;
    // Passes on the result written so far (a watch's lines as they come);
    // false once any of it was lost.
    virtual bool Flush() { return true; }
};

// The output into two C streams, which it does not own.
class StreamCliOutput final : public CliOutput {
public:
    StreamCliOutput(std::FILE* result, std::FILE* messages) : m_result(result), m_messages(messages) {}
    void Result(std::string_view text) override;
    void Message(std::string_view text) override;
    bool Flush() override;
    // Flushes the result. Returns `status`, or ExitOutputLost after saying
    // on the message stream why, when any part of the result was lost.
    int Finish(int status);

private:
    std::FILE* m_result;
    std::FILE* m_messages;
    int m_lostErrno = 0; // errno of the first failed write of the result
};

// Opens /dev/null onto each of descriptors 0 to 2 that is closed, in the
// direction that makes its use fail (write-only for 0, read-only for 1 and
// 2), so that nothing opened later takes their numbers and a result written
// to a closed output is lost visibly. Call first thing in main.
void KeepStandardDescriptorsTaken();

} // namespace brisvander
