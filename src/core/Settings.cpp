#include "core/Settings.h"

#include <algorithm>
#include <sstream>

#include "core/encoding.h"

namespace pv {

std::string MemorySettings::Text(const std::string& key) const {
    const auto found = texts_.find(key);
    return found == texts_.end() ? std::string() : found->second;
}

void MemorySettings::SetText(const std::string& key, const std::string& value) {
    texts_[key] = value;
}

std::vector<std::string> MemorySettings::List(const std::string& key) const {
    const auto found = lists_.find(key);
    return found == lists_.end() ? std::vector<std::string>() : found->second;
}

void MemorySettings::SetList(const std::string& key, const std::vector<std::string>& values) {
    lists_[key] = values;
}

void MemorySettings::SetKeeping(bool keep) {
    if (keep && !canKeep_) return;
    if (!keep) {
        std::erase_if(texts_, [](const auto& entry) { return !IsPreference(entry.first); });
        std::erase_if(lists_, [](const auto& entry) { return !IsPreference(entry.first); });
    }
    keeping_ = keep;
}

std::map<std::string, std::string> MemorySettings::Everything() const {
    std::map<std::string, std::string> all(texts_.begin(), texts_.end());
    for (const auto& [key, lines] : lists_) {
        std::string joined;
        for (const std::string& line : lines) joined += line + "\n";
        all[key] = joined;
    }
    return all;
}

void RememberRecent(ISettings& settings, const std::string& key, const std::string& path, size_t kept) {
    // Settings hold text: a name that is not UTF-8 would come back as another file's name, which then "no
    // longer exists". Such a file is opened by its name, and only not remembered.
    if (!IsValidUtf8(path)) return;
    std::vector<std::string> list = settings.List(key);
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > kept) list.resize(kept);
    settings.SetList(key, list);
}

void ForgetRecent(ISettings& settings, const std::string& key, const std::string& path) {
    std::vector<std::string> list = settings.List(key);
    std::erase(list, path);
    settings.SetList(key, list);
}

std::string PlaceText(const Rect& place) {
    return std::to_string(place.x) + " " + std::to_string(place.y) + " " + std::to_string(place.width) + " " +
           std::to_string(place.height);
}

std::optional<Rect> ParsePlace(const std::string& text) {
    std::istringstream in(text);
    Rect place;
    if (!(in >> place.x >> place.y >> place.width >> place.height)) return std::nullopt;
    in >> std::ws;
    if (!in.eof() || place.width <= 0 || place.height <= 0) return std::nullopt;
    return place;
}

Rect FitPlace(const Rect& saved, const std::vector<Rect>& screens) {
    if (screens.empty()) return saved;
    const auto overlap = [&saved](const Rect& screen) {
        const long long w =
            std::min(saved.x + saved.width, screen.x + screen.width) - std::max(saved.x, screen.x);
        const long long h =
            std::min(saved.y + saved.height, screen.y + screen.height) - std::max(saved.y, screen.y);
        return w > 0 && h > 0 ? w * h : 0;
    };
    const Rect* best = &screens.front();
    for (const Rect& screen : screens) {
        if (overlap(screen) > overlap(*best)) best = &screen;
    }
    Rect fitted = saved;
    fitted.width = std::min(saved.width, best->width);
    fitted.height = std::min(saved.height, best->height);
    fitted.x = std::clamp(saved.x, best->x, best->x + best->width - fitted.width);
    fitted.y = std::clamp(saved.y, best->y, best->y + best->height - fitted.height);
    return fitted;
}

}  // namespace pv
