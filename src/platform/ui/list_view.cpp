#include "platform/ui/list_view.h"

#include <QHeaderView>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/core/arith.h"
#include "platform/ui/application.h"

namespace platform::ui {

ListView::ListView(QWidget* parent, const std::string& name, const std::string& caption_header,
                   const std::string& value_header)
    : QTreeWidget(parent) {
    setObjectName(QString::fromStdString(name));
    setColumnCount(2);
    setHeaderLabels({QString::fromStdString(caption_header), QString::fromStdString(value_header)});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    // The captions take the width they need; the values the rest.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (OnColumnClick)
            Application::Current().Guard([this, column] { OnColumnClick(*this, column); });
    });
}

ListView::Row ListView::RowAt(int index) const {
    const QTreeWidgetItem* item = topLevelItem(static_cast<int>(CheckRange(index, 0, Count() - 1)));
    return {item->text(0).toStdString(), item->text(1).toStdString()};
}

void ListView::AddRow(const std::string& caption, const std::string& value) {
    addTopLevelItem(new QTreeWidgetItem(
        QStringList{QString::fromStdString(caption), QString::fromStdString(value)}));
}

void ListView::CustomSort(const std::function<int(const Row&, const Row&)>& compare) {
    // The rows are read once, sorted with their items, and the items put back
    // in the new order.
    std::vector<std::pair<Row, QTreeWidgetItem*>> rows;
    rows.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) rows.emplace_back(RowAt(i), topLevelItem(i));
    std::stable_sort(rows.begin(), rows.end(), [&compare](const auto& a, const auto& b) {
        return compare(a.first, b.first) < 0;
    });
    while (Count() > 0) takeTopLevelItem(0);
    for (const auto& [row, item] : rows) addTopLevelItem(item);
}

}  // namespace platform::ui
