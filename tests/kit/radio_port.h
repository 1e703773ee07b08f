// A fake port with the scripted radio behind it, as a run's port factory
// makes it on the run's thread; it tells, as it goes, whether the run left
// the port closed.
#pragma once

#include <functional>

#include "kit/fake_serial_port.h"
#include "kit/scripted_radio.h"

namespace zorvane::testkit {

struct RadioPort : FakeSerialPort {
    RadioPort(FakeClock& clock, std::function<void(RadioPort&)> onEnd = nullptr, radio::RadioSettings settings = {})
        : FakeSerialPort(clock), radio(*this, std::move(settings)), onEnd(std::move(onEnd))
    {
    }
    ~RadioPort() override
    {
        if (onEnd)
            onEnd(*this);
    }
    ScriptedRadio radio;
    std::function<void(RadioPort&)> onEnd;
};

} // namespace zorvane::testkit
