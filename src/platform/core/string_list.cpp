#include "platform/core/string_list.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/text.h"

namespace platform {

namespace {

size_t CheckedIndex(int index, size_t count) {
    if (index < 0 || static_cast<size_t>(index) >= count) RaiseRange();
    return static_cast<size_t>(index);
}

}  // namespace

void StringList::Add(std::string text) {
    items_.push_back(std::move(text));
}

void StringList::Clear() {
    items_.clear();
}

int StringList::Count() const {
    return static_cast<int>(
        CheckRange(static_cast<int64_t>(items_.size()), 0, std::numeric_limits<int32_t>::max()));
}

const std::string& StringList::operator[](int index) const {
    return items_[CheckedIndex(index, items_.size())];
}

void StringList::Delete(int index) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(CheckedIndex(index, items_.size())));
}

void StringList::Sort() {
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(items_.size());
    for (std::string& item : items_) keyed.emplace_back(SortKey(item), std::move(item));
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].second);
}

int StringList::IndexOf(const std::string& text) const {
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const std::string& item) {
        return SameTextIgnoringCase(item, text);
    });
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

}  // namespace platform
