// A list of texts with the class library's habits: indexes checked, sorted on
// demand ignoring case.
#pragma once

#include <string>
#include <vector>

namespace platform {

class StringList {
public:
    void Add(std::string text);
    void Clear();
    int Count() const;
    // Index checked: outside 0..Count()-1 raises the range error.
    const std::string& operator[](int index) const;
    void Delete(int index);
    // Sorts with CompareTextLocale.
    void Sort();
    // Index of the first entry equal to `text` ignoring case, -1 when none.
    int IndexOf(const std::string& text) const;

    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
};

}  // namespace platform
