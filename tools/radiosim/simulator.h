// The simulator's serving loop: a pseudo-terminal whose far end is the
// radio model, with optional line pacing, faults, a protocol log and dumps.
#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <random>
#include <string>

#include "line_mode.h"
#include "radio_model.h"
#include "sim_options.h"

namespace zorvane::radio {

class Simulator {
public:
    explicit Simulator(SimOptions options);
    ~Simulator();

    // Creates the pseudo-terminal and the link; returns the slave's path.
    std::string open();
    // Serves until stopRequested turns true, the runs are done or the line is cut.
    void serve(const volatile int& stopRequested, volatile int& resetSignalled);

private:
    using Clock = std::chrono::steady_clock;
    struct OutByte {
        Clock::time_point due;
        std::uint8_t byte;
    };

    void receive(const std::uint8_t* bytes, std::size_t count, volatile int& resetSignalled);
    void schedule(const RadioModel::Reply& reply, Clock::time_point due);
    void sendDue();
    void watchLineMode(volatile int& resetSignalled);
    void runEnded();
    void dump();
    void log(const char* direction, std::int32_t baud, const std::uint8_t* bytes, std::size_t count,
             const char* note = "");
    Clock::duration byteTime(std::int32_t baud) const;

    SimOptions options_;
    RadioModel model_;
    int master_ = -1;
    int slave_ = -1;
    std::FILE* log_ = nullptr;
    Clock::time_point started_ = Clock::now();
    LineMode lastMode_;
    bool portHeld_ = false;
    int runsDone_ = 0;
    long bytesReceived_ = 0;
    bool cut_ = false;
    std::deque<OutByte> out_;
    Clock::time_point rxLineFree_{};
    Clock::time_point txLineFree_{};
    std::mt19937 noise_;
};

} // namespace zorvane::radio
