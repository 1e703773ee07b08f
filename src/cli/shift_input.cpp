#include "cli/shift.h"

#include "cli/station_input.h"

namespace zorvane::cli {

namespace {

using Json = nlohmann::ordered_json;

} // namespace

void Shift::takeLine(const std::optional<std::string>& line)
{
    if (!line) {
        end("the end of input");
        return;
    }
    view_->typing({});
    const StationLine asked = ReadStationLine(*line, ports_, options_.noUnits);
    if (std::holds_alternative<EndShift>(asked)) {
        end("q");
    } else if (const auto* station = std::get_if<ChooseStation>(&asked)) {
        if (const std::optional<StartRefused> refused = choose(station->index))
            view_->note(refused->text + "\n");
    } else if (const auto* unknown = std::get_if<UnknownStation>(&asked)) {
        view_->note(unknown->said + "\n");
    } else if (const auto* label = std::get_if<ScannedLabel>(&asked)) {
        if (const std::optional<StartRefused> refused = startRadio(std::nullopt, label->label))
            view_->note(refused->text + "\n");
    }
}

// Every command is answered by one event: accepted, or refused with its reason.
void Shift::takeCommand(const std::optional<std::string>& line)
{
    if (!line) {
        end("the controller's input closed");
        return;
    }
    const auto read = ReadControllerCommand(*line);
    if (const auto* refused = std::get_if<CommandRefused>(&read)) {
        labels_.interrupted();
        events_->publish("refused", {{"id", refused->id},
                                     {"command", refused->command},
                                     {"reason", refused->reason},
                                     {"text", refused->text}});
        return;
    }
    command(std::get<ControllerCommand>(read));
}

void Shift::command(const ControllerCommand& asked)
{
    Json answer = {{"id", asked.id}, {"command", CommandName(asked.kind)}};
    if (const std::optional<StartRefused> refused = carryOut(asked, answer)) {
        answer.update({{"reason", refused->reason}, {"text", refused->text}});
        events_->publish("refused", answer);
        return;
    }
    events_->publish("accepted", answer);
}

std::optional<StartRefused> Shift::carryOut(const ControllerCommand& asked, Json& answer)
{
    if (asked.kind != ControllerCommand::Kind::Start)
        labels_.interrupted();
    std::optional<std::size_t> station;
    if (asked.station && !(station = StationNamed(*asked.station, ports_)))
        return StartRefused{"unknown-station", "No station " + *asked.station + ": give 1 to " +
                                                   std::to_string(ports_.size()) + " or a port as given."};
    switch (asked.kind) {
    case ControllerCommand::Kind::Start:
        if (std::optional<StartRefused> refused = startRadio(station, asked.unit.value_or("")))
            return refused;
        answer.update({{"station", ports_[*lastUsed_]},
                       {"unit", asked.unit ? Json(*asked.unit) : Json()},
                       {"shift", stations_[*lastUsed_].shift}});
        return std::nullopt;
    case ControllerCommand::Kind::Next:
        if (std::optional<StartRefused> refused = choose(*station))
            return refused;
        answer["station"] = ports_[*station];
        return std::nullopt;
    case ControllerCommand::Kind::Status:
        answer.update(status());
        return std::nullopt;
    case ControllerCommand::Kind::End:
        end("the controller's end");
        return std::nullopt;
    }
    return std::nullopt;
}

// Why the station cannot take a radio now: a radio under way on it, or not armed.
std::optional<StartRefused> Shift::notArmed(std::size_t station)
{
    if (!ending_ && stations_[station].host->armed())
        return std::nullopt;
    if (stations_[station].host->scanned() && stations_[station].running)
        return StartRefused{"busy", "Station " + ports_[station] + " has a radio under way (" +
                                        (stations_[station].unit.empty() ? "-" : stations_[station].unit) + ")."};
    return StartRefused{"not-armed", ending_ ? "The shift is ending: no new radio starts."
                                             : "Station " + ports_[station] + " is not armed: it cannot take a radio now."};
}

std::optional<StartRefused> Shift::choose(std::size_t station)
{
    labels_.interrupted();
    if (std::optional<StartRefused> refused = notArmed(station))
        return refused;
    next_ = station;
    return std::nullopt;
}

// The station marked next stays next until a radio goes there or it stops
// being armed: the operator loads the radio where the mark was, and a
// station that arms meanwhile must not take that radio's scan.
std::optional<std::size_t> Shift::nextStation()
{
    next_ = NextStation(armedStations(), lastUsed_, next_);
    return next_;
}

std::optional<StartRefused> Shift::startRadio(std::optional<std::size_t> station, const std::string& label)
{
    if (label.empty() && !options_.noUnits)
        return StartRefused{"malformed", "A radio starts with its unit: give \"unit\" (or run with --no-units)."};
    if (!station)
        station = nextStation();
    std::optional<StartRefused> refused;
    if (!station && ending_)
        refused = StartRefused{"not-armed", "The shift is ending: no new radio starts."};
    else if (!station)
        refused = StartRefused{radioUnderWay() ? "busy" : "not-armed",
                               "No station is armed: give " + (label.empty() ? std::string("it") : label) +
                                   " again when one is."};
    else
        refused = notArmed(*station);
    if (refused) {
        labels_.interrupted();   // a label asked twice must come twice in a row
        return refused;
    }
    if (!label.empty()) {
        const prepare::LabelBook::Checked checked = labels_.check(label);
        if (checked.verdict == prepare::LabelBook::Verdict::ScanAgain)
            view_->flagged(*station, label + ": flashed before, scan again to flash again");
        if (checked.verdict != prepare::LabelBook::Verdict::Go)
            return StartRefused{checked.why == prepare::LabelBook::Why::Pattern ? "label-pattern" : "label-used",
                                checked.said};
    }
    start(*station, label);
    return std::nullopt;
}

void Shift::start(std::size_t index, const std::string& label)
{
    Station& station = stations_[index];
    const std::optional<std::string> unit = label.empty() ? std::nullopt : std::optional(label);
    // Only this thread sends an armed station on or stops it: armed now, it
    // is armed when go() comes.
    station.shift = id_ + "/" + std::to_string(++runsStarted_);
    station.record->name(unit, station.shift);
    station.unit = label;
    station.unavailable.clear();
    station.scanned = ShiftClock::now();
    if (unit)
        labels_.started(label, station.port);
    lastUsed_ = index;
    next_.reset();
    const auto* images = std::get_if<std::shared_ptr<const RunImages>>(&station.request.imagesRead->read);
    view_->running(index, label, station.shift, station.record->device(), images != nullptr ? images->get() : nullptr);
    station.host->go();
}

// Every station's state, the next one, and the shift's counts so far.
Json Shift::status()
{
    Json all = Json::array();
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        const Station& station = stations_[i];
        const bool radio = station.running && station.host->scanned();
        const char* state = radio                          ? "running"
                            : station.host->armed()        ? "armed"
                            : ending_ && !station.running  ? "closed"
                            : !station.unavailable.empty() ? "unavailable"
                                                           : "opening";
        all.push_back({{"station", ports_[i]},
                       {"state", state},
                       {"why", station.unavailable.empty() ? Json() : Json(station.unavailable)},
                       {"unit", radio && !station.unit.empty() ? Json(station.unit) : Json()},
                       {"shift", radio ? Json(station.shift) : Json()},
                       {"last", station.last}});
    }
    const std::optional<std::size_t> next = nextStation();
    return {{"stations", all},
            {"next", next ? Json(ports_[*next]) : Json()},
            {"runs", tally_.runs()},
            {"good", tally_.good()},
            {"failed", tally_.failed()}};
}

} // namespace zorvane::cli
