// A report-style list: rows of a caption and a value under two column
// headers. It never sorts by itself; a click on a header raises
// OnColumnClick, and the owner sorts with a comparison of its own.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <string>

namespace platform::ui {

class ListView final : public QTreeWidget {
    Q_OBJECT

public:
    struct Row {
        std::string caption;
        std::string value;
    };

    ListView(QWidget* parent, const std::string& name, const std::string& caption_header,
             const std::string& value_header);

    int Count() const { return topLevelItemCount(); }
    // Range error outside 0..Count() - 1.
    Row RowAt(int index) const;
    void AddRow(const std::string& caption, const std::string& value);
    void Clear() { clear(); }

    // Orders the rows by `compare` (negative, 0 or positive, as a strcmp);
    // rows it finds equal keep their order.
    void CustomSort(const std::function<int(const Row&, const Row&)>& compare);

    // The header clicked, 0 for the caption column.
    std::function<void(ListView&, int column)> OnColumnClick;
};

}  // namespace platform::ui
