// A flash run's surroundings for engine tests: a temporary working
// directory, the fake clock and port, a recording host and a run context.
#pragma once

#include <gtest/gtest.h>

#include <stop_token>

#include "engine/run_context.h"
#include "kit/fake_clock.h"
#include "kit/fake_serial_port.h"
#include "kit/recording_host.h"
#include "kit/temp_dir.h"

namespace zorvane::testkit {

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() : port(clock), ctx(request, port, clock, host, stop.get_token()) {}

    // The platform the run works on.
    files::PlatformConfig& platform() { return *request.platform; }

    // Opens the port at the radio's speed, as the run leaves it before the boot stage.
    void openAt(std::int32_t baud)
    {
        port.open();
        port.changeBaudRate(baud);
    }

    // Writes as (seconds, bytes) for compact comparisons.
    std::vector<std::vector<std::uint8_t>> writtenChunks() const
    {
        std::vector<std::vector<std::uint8_t>> chunks;
        for (const WriteRecord& w : port.writes)
            chunks.push_back(w.bytes);
        return chunks;
    }

    TempDir dir;
    FakeClock clock;
    FakeSerialPort port;
    RecordingHost host;
    RunRequest request{1, files::PlatformConfig{}};
    std::stop_source stop;
    RunContext ctx;
};

} // namespace zorvane::testkit
