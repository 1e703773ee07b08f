// A run's preparation, as the window and the flasher both get it: the same
// refusal in the same words, and one reading of the images for every port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <variant>

#include "kit/bytes.h"
#include "kit/temp_dir.h"
#include "engine/run_fault.h"
#include "prepare/records_choice.h"
#include "prepare/run_preparation.h"
#include "prepare/unit_labels.h"
#include "records/unit_history.h"
#include "srec_writer.h"

namespace zorvane::prepare {
namespace {

using testkit::Pattern;

class Preparation : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("pellamar.cfg", "boot: boot.s19\nsrecord: pel.s19\neeprom: pel_ee.s19\nconfig: 3f\n");
        dir.write("incomplete.cfg", "boot: boot.s19\n");
        dir.write("boot.s19", radio::SRecordImage(0, Pattern(1025, 3), 100));
        dir.write("pel.s19", radio::SRecordImage(0x8000, Pattern(256, 0x11)));
        dir.write("pel_ee.s19", radio::SRecordImage(0, Pattern(32, 5)));
        settings.folder = dir.path().string();   // no trusted.gpg there
        settings.systemKeyring = (dir.path() / "no-system.gpg").string();   // whatever the machine has
    }

    testkit::TempDir dir;   // the current folder
    Settings settings;
};

TEST_F(Preparation, RefusesWhatNoRunCouldUseInOneWording)
{
    struct Case {
        const char* configFile;
        const char* manifest;   // written as SHA256SUMS; null: none
        bool requireSignature, fullPaths;
        RefusalKind kind;
        std::string boxInOne;   // the window's box
    } cases[] = {
        {"absent.cfg", nullptr, false, false, RefusalKind::Configuration,
         "File: absent.cfg DOES NOT exist.\rfile absent.cfg not found"},
        {"incomplete.cfg", nullptr, false, false, RefusalKind::Configuration,
         "Error reading from File: incomplete.cfg\rincomplete.cfg: no \"srecord:\" line"},
        {"pellamar.cfg", "", false, false, RefusalKind::Release,
         "pellamar.cfg is not the released file.\rpellamar.cfg: not listed in SHA256SUMS"},
        {"pellamar.cfg", nullptr, true, true, RefusalKind::Release, "The release could not be verified.\r"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.path() / "SHA256SUMS");
        if (c.manifest != nullptr)
            dir.write("SHA256SUMS", c.manifest);
        InputChoices choices;
        choices.configFile = c.configFile;
        choices.requireSignature = c.requireSignature;
        choices.fullPaths = c.fullPaths;
        const auto checked = CheckInput(choices, settings, {});
        ASSERT_TRUE(std::holds_alternative<Refusal>(checked)) << c.configFile;
        const Refusal& refused = std::get<Refusal>(checked);
        EXPECT_EQ(refused.kind, c.kind) << c.configFile;
        EXPECT_EQ(refused.title, c.kind == RefusalKind::Release ? "Release Error" : "Error");
        EXPECT_EQ(FirstLineAndCause(refused).rfind(c.boxInOne, 0), 0u) << FirstLineAndCause(refused);
    }
}

TEST_F(Preparation, EveryPortGetsTheSameImagesAndItsOwnOrigin)
{
    InputChoices choices;
    choices.platform = "pellamar";
    const auto checked = CheckInput(choices, settings, {});
    ASSERT_TRUE(std::holds_alternative<CheckedInput>(checked));
    const std::vector<PreparedPort> ports =
        PreparePorts(std::get<CheckedInput>(checked),
                     {{link::DevicePath{"/dev/ttyUSB0"}, "/dev/ttyUSB0", {}}, {link::CommEntry{2}, "2", {}}},
                     {"SN-1", "SN-2"});
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].request.imagesRead, ports[1].request.imagesRead) << "read once for both";
    EXPECT_TRUE(std::holds_alternative<std::shared_ptr<const RunImages>>(ports[0].request.imagesRead->read));
    EXPECT_EQ(ports[1].request.port, link::PortChoice(link::CommEntry{2}));
    EXPECT_EQ(ports[1].origin.port, "2");
    EXPECT_EQ(ports[1].origin.unit, "SN-2");
    EXPECT_EQ(ports[0].request.platform->configVal, "3F");
    EXPECT_EQ(ports[0].origin.workOrder, std::nullopt);
    EXPECT_EQ(ports[0].origin.operatorName, std::nullopt);
}

// The order's names go in every record, the options' before the settings';
// a name no record could show refuses the run, naming where it was given.
TEST_F(Preparation, TheOrderAndTheOperatorAreNamedInEveryRecord)
{
    settings.file = "/home/op/.config/ZORVANE/ZORVANE.conf";
    const struct Row {
        std::optional<std::string> workOrder, operatorGiven;
        std::string operatorSet;
        std::optional<std::string> operatorRecorded;
        std::string refusal;   // empty: the run starts
    } rows[] = {
        {"WO-17", std::nullopt, "Ann Smith", "Ann Smith", ""},
        {"WO-17", "Bob Jürgens", "Ann Smith", "Bob Jürgens", ""},
        {std::nullopt, std::nullopt, "", std::nullopt, ""},
        {std::string(65, 'x'), std::nullopt, "", std::nullopt, "--work-order is longer than 64 characters"},
        {std::nullopt, "Ann\tSmith", "", std::nullopt, "--operator holds a control character"},
        {std::nullopt, std::nullopt, "Ann\x7f", std::nullopt,
         "Operator in [Bench] of " + settings.file + " holds a control character"},
    };
    for (const Row& row : rows) {
        InputChoices choices;
        choices.platform = "pellamar";
        choices.workOrder = row.workOrder;
        choices.operatorName = row.operatorGiven;
        settings.operatorName = row.operatorSet;
        const auto checked = CheckInput(choices, settings, {});
        if (!row.refusal.empty()) {
            ASSERT_TRUE(std::holds_alternative<Refusal>(checked)) << row.refusal;
            EXPECT_EQ(std::get<Refusal>(checked).kind, RefusalKind::Usage);
            EXPECT_EQ(std::get<Refusal>(checked).text, row.refusal);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<CheckedInput>(checked)) << std::get<Refusal>(checked).text;
        const auto ports = PreparePorts(std::get<CheckedInput>(checked), {{link::CommEntry{1}, "1", {}}}, {});
        EXPECT_EQ(ports[0].origin.workOrder, row.workOrder);
        EXPECT_EQ(ports[0].origin.operatorName, row.operatorRecorded);
    }
}

// The firmware the order names: its file's or its data's SHA-256 must be
// listed, in either case; the options' list replaces the settings'. Any
// other image fails every run before a port opens, as the release's fault.
TEST_F(Preparation, OnlyTheFirmwareTheOrderNamesIsProgrammed)
{
    settings.file = "/home/op/.config/ZORVANE/ZORVANE.conf";
    const auto read = files::ReadImage("pel.s19");
    ASSERT_TRUE(std::holds_alternative<files::Image>(read));
    const std::string fileSha = std::get<files::Image>(read).file.sha256;
    const std::string dataSha = std::get<files::Image>(read).dataSha256;
    std::string dataUpper = dataSha;
    std::transform(dataUpper.begin(), dataUpper.end(), dataUpper.begin(), [](char c) { return std::toupper(c); });
    const std::string other(64, 'a'), another(64, 'b');
    const std::string found = "pel.s19: file SHA-256 " + fileSha + ", data SHA-256 " + dataSha + "; expected ";
    const struct Row {
        std::vector<std::string> option;
        std::string setting;
        std::string refusal;   // the run's cause, or the usage error; empty: the run starts
    } rows[] = {
        {{fileSha}, "", ""},
        {{other, dataSha}, "", ""},
        {{}, other + ", " + dataUpper, ""},
        {{}, "", ""},
        {{}, other, found + other},
        {{other, another}, fileSha, found + other + " or " + another},
        {{}, fileSha + " abc", "ExpectFirmware in [Files] of " + settings.file +
                                   ": abc is not a SHA-256 of 64 hex digits"},
    };
    for (const Row& row : rows) {
        InputChoices choices;
        choices.platform = "pellamar";
        choices.expectFirmware = row.option;
        settings.expectFirmware = row.setting;
        const auto checked = CheckInput(choices, settings, {});
        if (const Refusal* refused = std::get_if<Refusal>(&checked)) {
            EXPECT_EQ(refused->kind, RefusalKind::Usage);
            EXPECT_EQ(refused->text, row.refusal);
            continue;
        }
        const auto images = ImagesFor(std::get<CheckedInput>(checked));
        const auto ports = PreparePorts(std::get<CheckedInput>(checked), {{link::CommEntry{1}, "1", {}}}, {});
        const auto* failure = std::get_if<RunFailure>(&ports[0].request.imagesRead->read);
        EXPECT_EQ(images.index(), ports[0].request.imagesRead->read.index()) << "--check fails as a run does";
        if (row.refusal.empty()) {
            EXPECT_EQ(failure, nullptr) << failure->cause;
            continue;
        }
        ASSERT_NE(failure, nullptr) << row.refusal;
        EXPECT_EQ(failure->outcome, RunOutcome::FlashFailed);
        EXPECT_EQ(failure->message.title, "Release Error");
        EXPECT_EQ(failure->message.text, "pel.s19 is not the firmware the order names.\r" + row.refusal);
        EXPECT_EQ(failure->cause, row.refusal);
        const FaultFields fields = FaultFieldsOf(*failure->fault);
        EXPECT_EQ(fields.kind, "not-released");
        ASSERT_EQ(fields.facts.size(), 2u);
        EXPECT_EQ(std::get<std::string>(fields.facts[1].value), "not-expected");
    }
}

TEST_F(Preparation, RecordsAndPortsAreChosenOnce)
{
    settings.file = "/home/op/.config/ZORVANE/ZORVANE.conf";
    settings.database = "postgresql://bench@line/records";
    EXPECT_EQ(DatabaseFor({}, true, settings).url, settings.database);
    EXPECT_EQ(DatabaseFor({}, false, settings).url, "") << "without records nothing is sent";
    const DatabaseChoice asked = DatabaseFor("postgresql://bench@line/other?password=secret", true, settings);
    EXPECT_EQ(asked.url, "");
    EXPECT_EQ(asked.refusalText().rfind("--database: ", 0), 0u);
    EXPECT_EQ(asked.refusalText().find("secret"), std::string::npos);
    settings.database = "mysql://line";
    EXPECT_EQ(DatabaseFor({}, true, settings).refusalText().rfind("Database in [Records] of " + settings.file, 0), 0u);

    EXPECT_EQ(RecordFileFor("/tmp/r.jsonl", true), std::nullopt);

    settings.unitPattern = "SN-[0-9]{4}";
    const auto fromSettings = UnitPatternFor({}, settings);
    ASSERT_TRUE(std::holds_alternative<std::optional<UnitPattern>>(fromSettings));
    const std::optional<UnitPattern>& pattern = std::get<std::optional<UnitPattern>>(fromSettings);
    EXPECT_EQ(RefusedByPattern("SN-0042", pattern), std::nullopt);
    EXPECT_EQ(RefusedByPattern("SN-00420", pattern), "SN-00420 does not match the unit pattern SN-[0-9]{4}")
        << "the whole label must match";
    EXPECT_EQ(RefusedByPattern("anything", std::nullopt), std::nullopt);
    EXPECT_EQ(std::get<std::string>(UnitPatternFor("SN-[", settings)).rfind("--unit-pattern: not a regular expression", 0), 0u);
    settings.unitPattern = "(";
    EXPECT_EQ(std::get<std::string>(UnitPatternFor({}, settings)).rfind("UnitPattern in [Bench] of " + settings.file, 0), 0u);
    EXPECT_EQ(RecordFileFor("/tmp/r.jsonl", false), "/tmp/r.jsonl");

    std::filesystem::create_symlink("/dev/null", dir.path() / "ttyRADIO");
    EXPECT_EQ(RefusedPorts({"a", "b"}, {"/dev/null", "./ttyRADIO"})->text, "port b is named twice");
    EXPECT_EQ(RefusedPorts({"a", "b"}, {"/dev/null", "/dev/zero"}), std::nullopt);
}

// A label names one radio: refused while its unit is under way and once it
// succeeded; a unit whose latest record is a success runs when scanned twice
// in a row; a failed unit may come again.
TEST_F(Preparation, EachRecordNamesOneRadio)
{
    const std::string records = (dir.path() / "records.jsonl").string();
    std::ofstream(records) << R"({"unit":"SN-7","outcome":{"stage":"success"}})" "\n"
                           << R"({"unit":"SN-8","outcome":{"stage":"success"}})" "\n"
                           << R"({"unit":"SN-8","outcome":{"stage":"flash"}})" "\n"
                           << "not a record\n"
                           << R"({"unit":null,"outcome":{"stage":"success"}})" "\n";
    EXPECT_EQ(UnitsLastSucceeded(records), std::set<std::string>{"SN-7"});
    EXPECT_TRUE(UnitsLastSucceeded((dir.path() / "none.jsonl").string()).empty());

    LabelBook labels(UnitPattern{"SN-[0-9]", std::regex("SN-[0-9]")}, UnitsLastSucceeded(records));
    using V = LabelBook::Verdict;
    enum Then { Nothing, Start, Succeed, Fail, Other };
    const struct Step {
        const char* label;
        V verdict;
        Then then;
        const char* said;
    } steps[] = {
        {"SN-10", V::Refused, Nothing, "SN-10 does not match the unit pattern SN-[0-9]: scan or type it again."},
        {"SN-1", V::Go, Start, ""},
        {"SN-1", V::Refused, Succeed, "SN-1 is the unit on /dev/ttyUSB0 already: a label names one radio."},
        {"SN-1", V::Refused, Nothing, "SN-1 was flashed on /dev/ttyUSB0 already: a label names one radio."},
        {"SN-8", V::Go, Start, ""},
        {"SN-8", V::Refused, Fail, "SN-8 is the unit on /dev/ttyUSB0 already: a label names one radio."},
        {"SN-8", V::Go, Nothing, ""},   // a failed unit may be scanned again
        {"SN-7", V::ScanAgain, Nothing,
         "SN-7 was flashed before (its latest record is a success): scan it again to flash it again."},
        {"SN-7", V::Go, Nothing, ""},
        {"SN-7", V::ScanAgain, Other, ""},   // not in a row: asked again
        {"SN-7", V::ScanAgain, Nothing, ""},
        {"SN-7", V::Go, Start, ""},
        {"SN-7", V::Refused, Fail, ""},
        {"SN-7", V::Go, Nothing, ""},   // its failure here is newer than its record
    };
    for (const Step& step : steps) {
        const LabelBook::Checked checked = labels.check(step.label);
        EXPECT_EQ(checked.verdict, step.verdict) << step.label << " " << checked.said;
        if (*step.said != '\0') {
            EXPECT_EQ(checked.said, step.said);
        }
        if (step.then == Start)
            labels.started(step.label, "/dev/ttyUSB0");
        else if (step.then == Succeed || step.then == Fail)
            labels.ended(step.label, step.then == Succeed);
        else if (step.then == Other)
            labels.interrupted();
    }
}

} // namespace
} // namespace zorvane::prepare
