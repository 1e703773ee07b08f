// The radio model behind a FakeSerialPort: what the flasher writes reaches
// the model, and the model's replies arrive after chosen delays.
#pragma once

#include <chrono>

#include "kit/fake_serial_port.h"
#include "radio_model.h"

namespace zorvane::testkit {

using namespace std::chrono_literals;

struct RadioTiming {
    link::Clock::duration echo = 1500ms;     // after the last boot byte
    link::Clock::duration version = 50ms;    // after the echo
    link::Clock::duration commandAck = 20ms;
    link::Clock::duration blockAck = 20ms;
};

class ScriptedRadio {
public:
    ScriptedRadio(FakeSerialPort& port, radio::RadioSettings settings = {}, RadioTiming timing = {});

    // Takes the radio through smart mode and the boot upload without
    // answering, as if an earlier stage had done it.
    void skipToBootCode();

    radio::RadioModel model;
    RadioTiming timing;

private:
    void answer(std::span<const std::uint8_t> bytes, std::int32_t baud);

    FakeSerialPort& port_;
};

} // namespace zorvane::testkit
