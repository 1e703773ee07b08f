#include "sim_options.h"

#include <charconv>
#include <cstdlib>
#include <map>

namespace zorvane::radio {

const char* const kSimUsage =
    "usage: zorvane-radiosim --link PATH [options]\n"
    "  --link PATH             make PATH a link to the simulated serial device\n"
    "  --runs N                exit after N complete flash runs (default: serve until killed)\n"
    "  --reset-needs-signal    the radio waits for SIGUSR1 (its reset) after smart mode\n"
    "  --boot-version HH.HH    boot code version to report (default 01.00; --version HH.HH\n"
    "                          is read the same)\n"
    "  --version               print the simulator's version and exit\n"
    "  --dump DIR              after each run write config.txt, eeprom.s19 and flash.s19 to DIR\n"
    "  --pace                  take the time a real line takes: 10 bits a byte at the line speed\n"
    "  --log FILE              write each frame with its time, direction and line speed\n"
    "  --fault F               misbehave; may be repeated:\n"
    "        no-echo, echo-delay=SECONDS, no-version, bad-version-checksum,\n"
    "        refuse=OPCODE, garble-ack=OPCODE, drop-block-ack=N[:COUNT],\n"
    "        wrong-block-sum=N, stray-byte, noise=RATE[:SEED], disconnect-after=BYTES,\n"
    "        short-echo=BYTES, bad-echo=BYTE, no-ack=OPCODE, wrong-ack-opcode=OPCODE,\n"
    "        bad-block-ack=N[:COUNT]\n";

namespace {

template <typename T>
bool parseNumber(const std::string& text, T& value, int base = 10)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseDouble(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && value >= 0;
}

bool parseOpcode(const std::string& text, std::uint8_t& opcode)
{
    std::string digits = text;
    if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)
        digits = digits.substr(2);
    unsigned value = 0;
    if (!parseNumber(digits, value, 16) || value > 0xFF)
        return false;
    opcode = static_cast<std::uint8_t>(value);
    return true;
}

bool parseVersion(const std::string& text, RadioSettings& radio)
{
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return false;
    unsigned major = 0, minor = 0;
    if (!parseNumber(text.substr(0, dot), major, 16) || !parseNumber(text.substr(dot + 1), minor, 16) ||
        major > 0xFF || minor > 0xFF)
        return false;
    radio.versionMajor = static_cast<std::uint8_t>(major);
    radio.versionMinor = static_cast<std::uint8_t>(minor);
    return true;
}

// "N" or "N:M" into two numbers; M defaults to fallback.
bool parsePair(const std::string& text, long& first, long& second, long fallback)
{
    const auto colon = text.find(':');
    second = fallback;
    if (colon == std::string::npos)
        return parseNumber(text, first) && first > 0;
    return parseNumber(text.substr(0, colon), first) && parseNumber(text.substr(colon + 1), second) && first > 0 &&
           second >= 0;
}

// The radio's own misbehaviours: true when parsed, false for a bad value,
// none when the name is not one of them.
std::optional<bool> parseRadioFault(const std::string& name, const std::string& value, RadioFaults& faults)
{
    static const std::map<std::string, bool RadioFaults::*> flags{
        {"no-echo", &RadioFaults::noEcho},
        {"no-version", &RadioFaults::noVersion},
        {"bad-version-checksum", &RadioFaults::badVersionChecksum},
        {"stray-byte", &RadioFaults::strayByte}};
    static const std::map<std::string, std::optional<std::uint8_t> RadioFaults::*> opcodes{
        {"refuse", &RadioFaults::refuseOpcode},
        {"garble-ack", &RadioFaults::garbleAckOpcode},
        {"no-ack", &RadioFaults::noAckOpcode},
        {"wrong-ack-opcode", &RadioFaults::wrongAckOpcode}};
    if (const auto flag = flags.find(name); flag != flags.end()) {
        faults.*(flag->second) = true;
        return value.empty();
    }
    if (const auto opcode = opcodes.find(name); opcode != opcodes.end()) {
        std::uint8_t parsed = 0;
        if (!parseOpcode(value, parsed))
            return false;
        faults.*(opcode->second) = parsed;
        return true;
    }
    if (name == "short-echo" || name == "bad-echo") {
        std::size_t bytes = 0;
        if (!parseNumber(value, bytes))
            return false;
        (name == "short-echo" ? faults.shortEcho : faults.badEchoByte) = bytes;
        return true;
    }
    long block = 0, count = 0;
    if (name == "drop-block-ack" || name == "bad-block-ack") {
        if (!parsePair(value, block, count, 1))
            return false;
        (name == "drop-block-ack" ? faults.dropBlockAck : faults.badBlockAck)[static_cast<int>(block)] =
            static_cast<int>(count);
        return true;
    }
    if (name == "wrong-block-sum") {
        if (!parseNumber(value, block) || block <= 0)
            return false;
        faults.wrongBlockSum.insert(static_cast<int>(block));
        return true;
    }
    return std::nullopt;
}

std::optional<std::string> parseFault(const std::string& fault, SimOptions& options)
{
    const auto eq = fault.find('=');
    const std::string name = fault.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : fault.substr(eq + 1);
    const std::string bad = "bad fault: " + fault;

    if (const std::optional<bool> radio = parseRadioFault(name, value, options.radio.faults))
        return *radio ? std::nullopt : std::optional<std::string>(bad);
    if (name == "echo-delay") {
        if (!parseDouble(value, options.echoDelaySeconds))
            return bad;
    } else if (name == "noise") {
        const auto colon = value.find(':');
        if (!parseDouble(value.substr(0, colon), options.noiseRate) || options.noiseRate > 1)
            return bad;
        if (colon != std::string::npos && !parseNumber(value.substr(colon + 1), options.noiseSeed))
            return bad;
    } else if (name == "disconnect-after") {
        long bytes = 0;
        if (!parseNumber(value, bytes) || bytes < 0)
            return bad;
        options.disconnectAfterBytes = bytes;
    } else {
        return bad;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseSimOptions(const std::vector<std::string>& args, SimOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == "--reset-needs-signal") {
            options.resetNeedsSignal = true;
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--link" || arg == "--dump" || arg == "--log" || arg == "--runs" || arg == "--version" ||
                   arg == "--boot-version" || arg == "--fault") {
            std::optional<std::string> v = value();
            if (!v)
                return arg + " needs a value";
            if (arg == "--link")
                options.link = *v;
            else if (arg == "--dump")
                options.dumpDir = *v;
            else if (arg == "--log")
                options.logFile = *v;
            else if (arg == "--runs") {
                if (!parseNumber(*v, options.runs) || options.runs < 0)
                    return "bad --runs: " + *v;
            } else if (arg == "--version" || arg == "--boot-version") {
                if (!parseVersion(*v, options.radio))
                    return "bad " + arg + ": " + *v;
            } else if (auto error = parseFault(*v, options)) {
                return error;
            }
        } else {
            return "unknown argument: " + arg;
        }
    }
    if (options.link.empty())
        return "--link is required";
    return std::nullopt;
}

} // namespace zorvane::radio
