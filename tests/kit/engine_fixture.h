// A flash run's surroundings for engine tests: a temporary working
// directory, the fake clock and port, a recording host and a run context.
#pragma once

#include <gtest/gtest.h>

#include <stop_token>

#include "engine/run_context.h"
#include "engine/run_images.h"
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

    // The boot stage as the run makes it: the boot file read and checked
    // first, then sent.
    BootOutcome sendBoot()
    {
        auto boot = files::ReadBootImage(platform().bootFile);
        if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&boot))
            return BootFileOutcome(*fault);
        images().boot = std::get<files::BootImage>(std::move(boot));
        return SendBootFile(ctx);
    }

    // An image stage as the run makes it: the image read and checked first.
    ImageOutcome program(std::uint8_t opcode)
    {
        auto image = files::ReadImage(opcode == kOpProgramEeprom ? platform().eepromFile : platform().firmwareFile);
        if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&image))
            return ImageFileOutcome(*fault);
        files::Image& read = opcode == kOpProgramEeprom ? images().eeprom.emplace() : images().firmware;
        read = std::get<files::Image>(std::move(image));
        return ProgramImage(ctx, opcode, read);
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
    RunRequest request{link::CommEntry{1}, files::PlatformConfig{}};
    std::stop_source stop;
    RunContext ctx;

private:
    RunImages& images()
    {
        if (!images_) {
            images_ = std::make_shared<RunImages>();
            ctx.report.images = images_;
        }
        return *images_;
    }
    std::shared_ptr<RunImages> images_;
};

} // namespace zorvane::testkit
