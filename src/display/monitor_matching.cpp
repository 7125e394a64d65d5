// Saved monitor names against today's monitors.
#include "display/monitor_matching.h"

#include <algorithm>
#include <optional>
#include <utility>

MonitorId targetIdentity(std::string path, std::string friendlyName, bool edidIdsValid, bool friendlyNameFromEdid)
{
    if (!edidIdsValid && !friendlyNameFromEdid)
        return {};
    return {std::move(path), friendlyNameFromEdid ? std::move(friendlyName) : std::string()};
}

namespace {

class Matching {
public:
    Matching(const std::vector<MonitorId>& today, const std::vector<SavedMonitor>& saved)
        : today_(today), saved_(saved), claimed_(today.size(), false), found_(saved.size(), false),
          result_(saved.size())
    {
    }

    std::vector<MonitorMatch> run()
    {
        const bool namesToday = std::any_of(today_.begin(), today_.end(), [](const MonitorId& id) { return id.known(); });
        for (std::size_t i = 0; i < saved_.size(); ++i)
            result_[i] = {saved_[i].index, MonitorFound::Index};
        if (!namesToday)
            return result_;
        pass([&](const SavedMonitor& s, std::size_t m) { return today_[m].path == s.id.path; });
        pass([&](const SavedMonitor& s, std::size_t m) {
            return sameName(s, m) && static_cast<std::size_t>(s.index) == m;
        });
        pass([&](const SavedMonitor& s, std::size_t m) { return sameName(s, m); });
        for (std::size_t i = 0; i < saved_.size(); ++i)
            if (!found_[i])
                result_[i] = leftOver(saved_[i]);
        return result_;
    }

private:
    bool sameName(const SavedMonitor& s, std::size_t m) const
    {
        return !s.id.name.empty() && today_[m].name == s.id.name;
    }

    // The earlier output that saved the same names, if any.
    std::optional<std::size_t> twinOf(std::size_t i) const
    {
        for (std::size_t j = 0; j < i; ++j)
            if (saved_[j].id == saved_[i].id && saved_[j].index == saved_[i].index)
                return j;
        return std::nullopt;
    }

    // Each named output not yet found takes the first unclaimed monitor that `fits`; a twin follows the
    // output it copies.
    template <typename Fits>
    void pass(Fits&& fits)
    {
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (found_[i] || !saved_[i].id.known())
                continue;
            if (const auto twin = twinOf(i)) {
                if (found_[*twin]) {
                    result_[i] = result_[*twin];
                    found_[i] = true;
                }
                continue;
            }
            for (std::size_t m = 0; m < today_.size(); ++m)
                if (!claimed_[m] && today_[m].known() && fits(saved_[i], m)) {
                    claimed_[m] = true;
                    result_[i] = {static_cast<int32_t>(m), MonitorFound::Named};
                    found_[i] = true;
                    break;
                }
        }
    }

    // An output not found by its names: its index, where that cannot cover another output's projector
    // (claimed) nor a monitor known to be another one.
    MonitorMatch leftOver(const SavedMonitor& s) const
    {
        const bool inList = s.index >= 0 && static_cast<std::size_t>(s.index) < today_.size();
        if (!inList)
            return {s.index, s.id.known() ? MonitorFound::Missing : MonitorFound::Index};
        const auto at = static_cast<std::size_t>(s.index);
        if (claimed_[at] || (s.id.known() && today_[at].known()))
            return {s.index, MonitorFound::Missing};
        return {s.index, MonitorFound::Index};
    }

    const std::vector<MonitorId>& today_;
    const std::vector<SavedMonitor>& saved_;
    std::vector<bool> claimed_;
    std::vector<bool> found_;
    std::vector<MonitorMatch> result_;
};

} // namespace

std::vector<MonitorMatch> matchMonitors(const std::vector<MonitorId>& today, const std::vector<SavedMonitor>& saved)
{
    return Matching(today, saved).run();
}
