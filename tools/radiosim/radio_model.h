// The far end of the serial line as the flasher sees it: the KRIX box, the
// radio's boot ROM and the boot code with its CONFIG byte, EEPROM and FLASH.
// Pure protocol, no I/O: feed it what arrived at a line speed, and it says
// what it sends back. The simulator and the engine's tests both drive it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace zorvane::radio {

constexpr std::int32_t kKrixBaud = 9600;
constexpr std::int32_t kRadioBaud = 7600;
constexpr std::size_t kMemoryBytes = 0x10000;

// Deliberate misbehaviour, for tests and operator training.
struct RadioFaults {
    bool noEcho = false;
    bool noVersion = false;
    bool badVersionChecksum = false;
    std::optional<std::uint8_t> refuseOpcode;   // acknowledge with a marker other than 0x7F
    std::optional<std::uint8_t> garbleAckOpcode; // acknowledge with a wrong checksum
    std::map<int, int> dropBlockAck;            // block number (from 1) -> acknowledgements to drop
    std::set<int> wrongBlockSum;                // block numbers (from 1) acknowledged with a wrong sum
    bool strayByte = false;                     // one stray byte before the first command's acknowledgement
    std::optional<std::size_t> shortEcho;       // echo only this many bytes
    std::optional<std::size_t> badEchoByte;     // this boot byte (1..1024) echoed with its bits flipped
    std::optional<std::uint8_t> noAckOpcode;    // never acknowledge this command
    std::optional<std::uint8_t> wrongAckOpcode; // acknowledge this command under another opcode
    std::map<int, int> badBlockAck;             // block number (from 1) -> acknowledgements sent with a wrong checksum
};

struct RadioSettings {
    std::uint8_t versionMajor = 0x01;
    std::uint8_t versionMinor = 0x00;
    RadioFaults faults;
};

class RadioModel {
public:
    enum class State { KrixIdle, KrixArmed, BootRom, BootCode };
    enum class ReplyKind { Echo, Version, CommandAck, BlockAck, Stray };
    struct Reply {
        ReplyKind kind;
        std::vector<std::uint8_t> bytes;
    };

    explicit RadioModel(RadioSettings settings = {});

    // Bytes that arrived at the given line speed; returns what the radio sends back.
    std::vector<Reply> receive(std::span<const std::uint8_t> bytes, std::int32_t baud);
    // Bytes 1..1024 of the boot code as received, as the faults echo them.
    std::vector<std::uint8_t> echo() const;

    State state() const { return state_; }
    // The line speed the current listener understands: the KRIX box 9600,
    // the boot ROM and the boot code 7600.
    std::int32_t listeningBaud() const
    {
        return state_ == State::KrixIdle || state_ == State::KrixArmed ? kKrixBaud : kRadioBaud;
    }
    std::uint8_t configByte() const { return config_; }
    const std::array<std::uint8_t, kMemoryBytes>& eeprom() const { return *eeprom_; }
    const std::array<std::uint8_t, kMemoryBytes>& flash() const { return *flash_; }
    // Addresses programmed since the last erase, for dumping only what was written.
    const std::vector<bool>& eepromWritten() const { return eepromWritten_; }
    const std::vector<bool>& flashWritten() const { return flashWritten_; }
    int blocksReceived() const { return blockNumber_; }
    bool bootVerified() const { return state_ == State::BootCode; }
    const std::vector<std::uint8_t>& bootCode() const { return boot_; }

    // The radio reset: back to the KRIX box waiting for smart mode.
    void reset();

private:
    void krixByte(std::uint8_t byte);
    // Bytes at 9600 while the radio runs: the KRIX box still hears a new smart-mode request.
    void watchForSmartMode(std::uint8_t byte);
    void bootRomByte(std::uint8_t byte, std::vector<Reply>& replies);
    void bootCodeByte(std::uint8_t byte, std::vector<Reply>& replies);
    void command(std::vector<Reply>& replies);
    void block(std::vector<Reply>& replies);

    RadioSettings settings_;
    State state_ = State::KrixIdle;
    std::vector<std::uint8_t> pending_;   // bytes of the sequence, header or block so far
    std::size_t smartModeMatched_ = 0;    // bytes of a new smart-mode request seen while the radio runs
    std::vector<std::uint8_t> boot_;
    std::uint8_t config_ = 0xFF;
    std::unique_ptr<std::array<std::uint8_t, kMemoryBytes>> eeprom_;
    std::unique_ptr<std::array<std::uint8_t, kMemoryBytes>> flash_;
    std::vector<bool> eepromWritten_;
    std::vector<bool> flashWritten_;
    int blockNumber_ = 0;
    bool strayDone_ = false;
};

} // namespace zorvane::radio
