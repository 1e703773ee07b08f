#include "radio_model.h"

#include <algorithm>
#include <memory>

namespace zorvane::radio {

namespace {

constexpr std::array<std::uint8_t, 5> kSmartModeRequest{0x1A, 0x12, 0x1A, 0x06, 0xDB};
constexpr std::array<std::uint8_t, 3> kSmartModeConfirm{0x02, 0x48, 0xB5};
constexpr std::size_t kBootBytes = 1025;
constexpr std::size_t kHeaderBytes = 5;
constexpr std::uint8_t kAckMarker = 0x7F;
constexpr std::uint8_t kOpEraseConfig = 0x31;
constexpr std::uint8_t kOpProgramConfig = 0x32;
constexpr std::uint8_t kOpEraseEeprom = 0x1F;
constexpr std::uint8_t kOpEraseRom = 0x05;
constexpr std::uint8_t kOpProgramEeprom = 0x22;
constexpr std::uint8_t kOpProgramFlash = 0x08;
// The version reply's first two bytes mean nothing to the flasher.
constexpr std::uint8_t kVersionR0 = 0x10;
constexpr std::uint8_t kVersionR1 = 0x20;

std::uint8_t sum4(std::span<const std::uint8_t> bytes)
{
    return static_cast<std::uint8_t>(bytes[0] + bytes[1] + bytes[2] + bytes[3]);
}

std::vector<std::uint8_t> frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    std::vector<std::uint8_t> f{b0, b1, b2, b3, 0};
    f[4] = sum4(f);
    return f;
}

bool isBlockOpcode(std::uint8_t opcode)
{
    return opcode == kOpProgramEeprom || opcode == kOpProgramFlash;
}

} // namespace

RadioModel::RadioModel(RadioSettings settings)
    : settings_(std::move(settings)),
      eeprom_(std::make_unique<std::array<std::uint8_t, kMemoryBytes>>()),
      flash_(std::make_unique<std::array<std::uint8_t, kMemoryBytes>>()),
      eepromWritten_(kMemoryBytes, false),
      flashWritten_(kMemoryBytes, false)
{
    eeprom_->fill(0xFF);
    flash_->fill(0xFF);
}

void RadioModel::reset()
{
    state_ = State::KrixIdle;
    pending_.clear();
    smartModeMatched_ = 0;
    boot_.clear();
    blockNumber_ = 0;
    strayDone_ = false;
}

std::vector<RadioModel::Reply> RadioModel::receive(std::span<const std::uint8_t> bytes, std::int32_t baud)
{
    std::vector<Reply> replies;
    for (std::uint8_t byte : bytes) {
        switch (state_) {
        case State::KrixIdle:
        case State::KrixArmed:
            // The KRIX box listens only at 9600; anything else is line garbage to it.
            if (baud == kKrixBaud)
                krixByte(byte);
            break;
        case State::BootRom:
        case State::BootCode:
            if (baud == kRadioBaud) {
                if (state_ == State::BootRom)
                    bootRomByte(byte, replies);
                else
                    bootCodeByte(byte, replies);
            } else if (baud == kKrixBaud) {
                watchForSmartMode(byte);
            }
            break;
        }
    }
    return replies;
}

void RadioModel::krixByte(std::uint8_t byte)
{
    const std::span<const std::uint8_t> expected =
        state_ == State::KrixIdle ? std::span<const std::uint8_t>(kSmartModeRequest)
                                  : std::span<const std::uint8_t>(kSmartModeConfirm);
    pending_.push_back(byte);
    if (!std::equal(pending_.begin(), pending_.end(), expected.begin())) {
        // Start again, possibly with this byte as the first of a new sequence.
        pending_.clear();
        if (byte == expected[0])
            pending_.push_back(byte);
        return;
    }
    if (pending_.size() < expected.size())
        return;
    pending_.clear();
    // After the confirmation the operator resets the radio: its boot ROM waits.
    state_ = state_ == State::KrixIdle ? State::KrixArmed : State::BootRom;
}

void RadioModel::watchForSmartMode(std::uint8_t byte)
{
    if (byte != kSmartModeRequest[smartModeMatched_])
        smartModeMatched_ = byte == kSmartModeRequest[0] ? 1 : 0;
    else if (++smartModeMatched_ == kSmartModeRequest.size()) {
        reset();
        state_ = State::KrixArmed;
    }
}

// Bytes 1..1024 of the boot code, as the faults asked for them.
std::vector<std::uint8_t> RadioModel::echo() const
{
    std::vector<std::uint8_t> bytes(boot_.begin() + 1, boot_.end());
    const RadioFaults& faults = settings_.faults;
    if (faults.badEchoByte && *faults.badEchoByte >= 1 && *faults.badEchoByte <= bytes.size())
        bytes[*faults.badEchoByte - 1] ^= 0xFF;
    if (faults.shortEcho && *faults.shortEcho < bytes.size())
        bytes.resize(*faults.shortEcho);
    return bytes;
}

void RadioModel::bootRomByte(std::uint8_t byte, std::vector<Reply>& replies)
{
    boot_.push_back(byte);
    if (boot_.size() < kBootBytes)
        return;
    if (!settings_.faults.noEcho)
        replies.push_back({ReplyKind::Echo, echo()});
    if (!settings_.faults.noVersion) {
        std::vector<std::uint8_t> version =
            frame(kVersionR0, kVersionR1, settings_.versionMajor, settings_.versionMinor);
        if (settings_.faults.badVersionChecksum)
            version[4] = static_cast<std::uint8_t>(version[4] + 1);
        replies.push_back({ReplyKind::Version, version});
    }
    state_ = State::BootCode;
}

void RadioModel::bootCodeByte(std::uint8_t byte, std::vector<Reply>& replies)
{
    pending_.push_back(byte);
    if (pending_.size() < kHeaderBytes)
        return;
    if (sum4(pending_) != pending_[4]) {
        // Not a frame: drop the oldest byte and look again from the next.
        pending_.erase(pending_.begin());
        return;
    }
    if (!isBlockOpcode(pending_[0])) {
        command(replies);
        pending_.clear();
        return;
    }
    const std::size_t length = pending_[3];
    if (pending_.size() < kHeaderBytes + length)
        return;
    block(replies);
    pending_.clear();
}

void RadioModel::command(std::vector<Reply>& replies)
{
    const std::uint8_t opcode = pending_[0];
    switch (opcode) {
    case kOpEraseConfig:
        config_ = 0xFF;
        break;
    case kOpProgramConfig:
        config_ &= pending_[3];
        break;
    case kOpEraseEeprom:
        eeprom_->fill(0xFF);
        std::fill(eepromWritten_.begin(), eepromWritten_.end(), false);
        break;
    case kOpEraseRom:
        flash_->fill(0xFF);
        std::fill(flashWritten_.begin(), flashWritten_.end(), false);
        break;
    default:
        return;   // the boot code does not know it and stays silent
    }
    const RadioFaults& faults = settings_.faults;
    if (faults.strayByte && !strayDone_) {
        replies.push_back({ReplyKind::Stray, {0x00}});
        strayDone_ = true;
    }
    if (faults.noAckOpcode == opcode)
        return;   // done, but never said
    std::vector<std::uint8_t> ack = frame(opcode, 0, 0, kAckMarker);
    if (faults.wrongAckOpcode == opcode)
        ack = frame(static_cast<std::uint8_t>(opcode ^ 0x80), 0, 0, kAckMarker);
    if (faults.refuseOpcode == opcode)
        ack = frame(opcode, 0, 0, 0x7E);
    if (faults.garbleAckOpcode == opcode)
        ack[4] = static_cast<std::uint8_t>(ack[4] ^ 0x5A);
    replies.push_back({ReplyKind::CommandAck, ack});
}

void RadioModel::block(std::vector<Reply>& replies)
{
    const std::uint8_t opcode = pending_[0];
    const std::size_t start = static_cast<std::size_t>(pending_[1]) << 8 | pending_[2];
    const std::size_t length = pending_[3];
    auto& memory = opcode == kOpProgramEeprom ? *eeprom_ : *flash_;
    auto& written = opcode == kOpProgramEeprom ? eepromWritten_ : flashWritten_;
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t data = pending_[kHeaderBytes + i];
        const std::size_t address = (start + i) & 0xFFFF;
        memory[address] &= data;   // programming can only clear bits
        written[address] = true;
        sum += data;
    }
    ++blockNumber_;

    RadioFaults& faults = settings_.faults;
    if (auto drop = faults.dropBlockAck.find(blockNumber_); drop != faults.dropBlockAck.end() && drop->second > 0) {
        --drop->second;
        // The resend of this block arrives under the same number.
        --blockNumber_;
        return;
    }
    if (faults.wrongBlockSum.contains(blockNumber_))
        sum += 1;
    std::vector<std::uint8_t> ack = frame(opcode, pending_[1], pending_[2], static_cast<std::uint8_t>(sum));
    if (auto bad = faults.badBlockAck.find(blockNumber_); bad != faults.badBlockAck.end() && bad->second > 0) {
        --bad->second;
        --blockNumber_;   // its resend arrives under the same number
        ack[4] = static_cast<std::uint8_t>(ack[4] ^ 0x5A);
    }
    replies.push_back({ReplyKind::BlockAck, ack});
}

} // namespace zorvane::radio
