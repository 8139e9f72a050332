#pragma once

#include <QSortFilterProxyModel>

namespace custodia {

// Sorts and filters the item list as shown. Rows that sort alike keep their file order, also when a
// filter brings hidden rows back, so the list never reshuffles rows the supervisor did not ask about.
class ItemListProxy final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit ItemListProxy(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

} // namespace custodia
