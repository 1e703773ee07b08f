#include "cli/cli_options.h"

#include "cli/exit_codes.h"

namespace zorvane::cli {

const char* const kCliUsage =
    "usage: zorvane-flash --port DEVICE|1|2 [--port ...] (--platform pellamar|tessivar|other | --config FILE)\n"
    "                     [--yes] [--on-line-error ask|continue|cancel] [--trace FILE] [--quiet]\n"
    "                     [--record FILE | --no-record] [--unit LABEL ... | --ask-unit]\n"
    "                     [--manifest FILE] [--keyring FILE] [--require-signature] [--json]\n"
    "       zorvane-flash --check (--platform NAME | --config FILE) [--manifest FILE] [--keyring FILE]\n"
    "       zorvane-flash --list-ports\n"
    "       zorvane-flash --help | --version\n"
    "\n"
    "Runs one flash run per port in the current directory, which holds the\n"
    "configuration file and the boot, firmware and EEPROM images it names.\n"
    "  --port              1 or 2 (Comm1, Comm2) or a serial device such as /dev/ttyUSB0;\n"
    "                      give it once per radio to flash several radios at once\n"
    "  --platform          pellamar, tessivar or other (reads pellamar.cfg, tessivar.cfg or\n"
    "                      default.cfg in the current directory)\n"
    "  --config            another configuration file\n"
    "  --yes               go on at the reset prompt without waiting for Enter\n"
    "  --on-line-error     what to answer a line error (default: ask; cancel without a\n"
    "                      terminal or with several ports, where ask is refused)\n"
    "  --trace FILE        write the line traffic: time, direction, bytes, line speed (one port)\n"
    "  --record FILE       append the flash records here instead of\n"
    "                      $XDG_DATA_HOME/zorvane/flash-records.jsonl\n"
    "  --no-record         keep no flash record\n"
    "  --unit LABEL        the radio's label (serial number) for its flash record; once per\n"
    "                      --port, in the same order\n"
    "  --ask-unit          ask for each radio's label before the reset prompt (a barcode\n"
    "                      scanner types it and presses Enter); needs a terminal\n"
    "  --manifest FILE     program only files this SHA256SUMS lists with their SHA-256\n"
    "                      (default: SHA256SUMS in the working folder, when there is one)\n"
    "  --keyring FILE      trusted release keys for the manifest's signature (SHA256SUMS.gpg\n"
    "                      or .sig); default ~/.config/ZORVANE/trusted.gpg, else\n"
    "                      /etc/zorvane/trusted.gpg\n"
    "  --require-signature refuse a manifest that is not signed, and a missing one\n"
    "  --json              one JSON event per line on standard output (what each radio is\n"
    "                      doing), everything else on standard error; needs --yes\n"
    "  --quiet             only the messages and the results\n"
    "  --check             read the configuration and the images as a run would, without\n"
    "                      opening a port, and tell what a run would send\n"
    "  --list-ports        list the serial ports and what Comm1 and Comm2 mean\n"
    "\n"
    "Exit status: 0 programming successful, 2 usage, 3 configuration file, 4 serial port,\n"
    "5 boot stage, 6 CONFIG stage, 7 EEPROM stage, 8 FLASH stage, 9 cancelled, 10 other error,\n"
    "11 the flash record could not be kept (with --record, when no radio failed).\n"
    "With several ports: 0 only when every radio succeeded, else the highest of the failures.\n";

namespace {

// 1, 2 or a path: a bare word such as "3" or "ttyUSB0" is most likely a mistake.
bool isPortArgument(const std::string& port)
{
    return port == "1" || port == "2" || port.find('/') != std::string::npos;
}

} // namespace

std::optional<std::string> ParseCliOptions(const std::vector<std::string>& args, CliOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return std::nullopt;
        }
        if (arg == "--version" || arg == "-V") {
            options.version = true;
            return std::nullopt;
        }
        if (arg == "--yes" || arg == "-y") {
            options.yes = true;
            continue;
        }
        if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
            continue;
        }
        if (arg == "--no-record") {
            options.noRecord = true;
            continue;
        }
        if (arg == "--check") {
            options.check = true;
            continue;
        }
        if (arg == "--list-ports") {
            options.listPorts = true;
            continue;
        }
        if (arg == "--ask-unit") {
            options.askUnit = true;
            continue;
        }
        if (arg == "--json") {
            options.json = true;
            continue;
        }
        if (arg == "--require-signature") {
            options.requireSignature = true;
            continue;
        }
        if (arg != "--port" && arg != "--platform" && arg != "--config" && arg != "--trace" &&
            arg != "--on-line-error" && arg != "--record" && arg != "--unit" && arg != "--manifest" &&
            arg != "--keyring")
            return "unknown argument: " + arg;
        if (i + 1 >= args.size() || args[i + 1].empty())
            return arg + " needs a value";
        const std::string& value = args[++i];
        if (arg == "--port") {
            if (!isPortArgument(value))
                return "--port takes 1, 2 or a device path such as /dev/ttyUSB0, not " + value;
            options.ports.push_back(value);
        } else if (arg == "--platform") {
            if (value != "pellamar" && value != "tessivar" && value != "other")
                return "unknown platform: " + value;
            options.platform = value;
        } else if (arg == "--config") {
            options.configFile = value;
        } else if (arg == "--trace") {
            options.traceFile = value;
        } else if (arg == "--record") {
            options.recordFile = value;
        } else if (arg == "--unit") {
            options.units.push_back(value);
        } else if (arg == "--manifest") {
            options.manifestFile = value;
        } else if (arg == "--keyring") {
            options.keyringFile = value;
        } else if (value == "ask") {
            options.onLineError = LineErrorAnswer::Ask;
        } else if (value == "continue") {
            options.onLineError = LineErrorAnswer::Continue;
        } else if (value == "cancel") {
            options.onLineError = LineErrorAnswer::Cancel;
        } else {
            return "--on-line-error takes ask, continue or cancel";
        }
    }
    if (options.listPorts)
        return std::nullopt;
    if (options.platform.empty() == options.configFile.empty())
        return "give either --platform or --config";
    if (options.check && options.json)
        return "--check writes for people: it does not go with --json";
    if (options.check)
        return std::nullopt;
    if (options.ports.empty())
        return "--port is required";
    if (options.noRecord && !options.recordFile.empty())
        return "give either --record or --no-record";
    if (options.askUnit && !options.units.empty())
        return "give either --unit or --ask-unit";
    if (options.json && !options.yes)
        return "--json needs --yes: nobody is at a terminal to answer the reset prompt";
    if (options.json && options.askUnit)
        return "--json takes the units with --unit, not --ask-unit";
    if (options.json && options.onLineError == LineErrorAnswer::Ask)
        return "--on-line-error ask needs a terminal, not --json";
    if (options.json && !options.traceFile.empty())
        return "--trace does not go with --json";
    if (!options.units.empty() && options.units.size() != options.ports.size())
        return "--unit is given once per --port, in the same order (" + std::to_string(options.ports.size()) +
               " ports, " + std::to_string(options.units.size()) + " units)";
    if (options.ports.size() > 1) {
        if (options.onLineError == LineErrorAnswer::Ask)
            return "--on-line-error ask takes one port: nobody can answer several radios at once";
        if (!options.traceFile.empty())
            return "--trace takes one port";
    }
    return std::nullopt;
}

int ExitCodeFor(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Success: return kExitSuccess;
    case RunOutcome::NoPlatform: return kExitConfiguration;
    case RunOutcome::PortFailed:
    case RunOutcome::SerialFailed: return kExitPort;
    case RunOutcome::BootFailed: return kExitBoot;
    case RunOutcome::ConfigFailed: return kExitConfig;
    case RunOutcome::EepromFailed: return kExitEeprom;
    case RunOutcome::FlashFailed: return kExitFlash;
    case RunOutcome::Cancelled: return kExitCancelled;
    case RunOutcome::InternalError: return kExitInternal;
    }
    return kExitInternal;
}

} // namespace zorvane::cli
