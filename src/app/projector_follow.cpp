// Outputs following their projectors, and the capture its monitor, by the names Windows gives them.
#include "app/projector_follow.h"

#include <algorithm>
#include <string>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "display/monitor_matching.h"
#include "platform/debug_log.h"

namespace {

std::vector<MonitorId> namesToday()
{
    std::vector<MonitorId> today;
    for (const MonitorInfo& monitor : app.monitors)
        today.push_back(monitor.id());
    return today;
}

// "EPSON PJ", or the device path of a monitor without a friendly name.
std::string shownName(const MonitorId& id)
{
    return id.name.empty() ? id.path : id.name;
}

// The capture on its own monitor where it is connected; where it is not, its index stands, as it did
// before monitors had names (an index without a monitor captures the primary).
void followCaptureMonitor()
{
    const MonitorMatch match = matchMonitors(namesToday(), {{app.captureMonitor, app.captureMonitorId}}).front();
    if (match.found == MonitorFound::Named && match.index != app.captureMonitor) {
        Log("LOG", ("Captura: monitor " + shownName(app.captureMonitorId) + " encontrado no Monitor " +
                    std::to_string(match.index + 1))
                       .c_str());
        app.captureMonitor = match.index;
        startCapture(app.captureMonitor);
    }
    if (match.found == MonitorFound::Index && !app.captureMonitorId.known())
        app.captureMonitorId = namesOfMonitor(app.captureMonitor);
}

} // namespace

MonitorId namesOfMonitor(int32_t index)
{
    return isMonitorIndex(index, app.monitors.size()) ? app.monitors[static_cast<std::size_t>(index)].id() : MonitorId{};
}

bool outputMonitorShown(const ProjectionOutput& output)
{
    return !output.projectorMissing && isMonitorIndex(output.values.outputMonitor, app.monitors.size());
}

std::vector<bool> followProjectorsIn(Calibration& calibration, bool logMoves)
{
    std::vector<SavedMonitor> saved;
    for (const OutputValues& output : calibration)
        saved.push_back({output.outputMonitor, output.outputMonitorId});
    const std::vector<MonitorMatch> matches = matchMonitors(namesToday(), saved);
    std::vector<bool> missing(calibration.size(), false);
    for (std::size_t at = 0; at < calibration.size(); ++at) {
        OutputValues& output = calibration[at];
        const MonitorMatch& match = matches[at];
        missing[at] = match.found == MonitorFound::Missing;
        if (match.found == MonitorFound::Named && match.index != output.outputMonitor) {
            if (logMoves)
                Log("LOG", ("Saida " + std::to_string(at + 1) + ": projetor " + shownName(output.outputMonitorId) +
                            " encontrado no Monitor " + std::to_string(match.index + 1))
                               .c_str());
            output.outputMonitor = match.index;
        }
        // A file from before names were kept, or a monitor chosen while Windows gave none.
        if (match.found == MonitorFound::Index && !output.outputMonitorId.known())
            output.outputMonitorId = namesOfMonitor(output.outputMonitor);
    }
    return missing;
}

void followProjectors()
{
    Calibration calibration = currentCalibration();
    const std::vector<bool> missing = followProjectorsIn(calibration, true);
    for (std::size_t at = 0; at < app.outputs.size(); ++at) {
        ProjectionOutput& output = app.outputs[at];
        if (missing[at] && !output.projectorMissing)
            Log("LOG", ("Saida " + std::to_string(at + 1) + ": projetor " + shownName(output.values.outputMonitorId) +
                        " nao conectado; saida oculta")
                           .c_str());
        output.values = calibration[at];
        output.projectorMissing = missing[at];
        output.shown = outputMonitorShown(output);
    }
    followCaptureMonitor();
    historyFollowsProjectors();
}

void historyFollowsProjectors()
{
    Calibration followed = app.history.current();
    for (std::size_t at = 0; at < std::min(followed.size(), app.outputs.size()); ++at) {
        followed[at].outputMonitor = app.outputs[at].values.outputMonitor;
        followed[at].outputMonitorId = app.outputs[at].values.outputMonitorId;
    }
    app.history.follow(std::move(followed));
}
