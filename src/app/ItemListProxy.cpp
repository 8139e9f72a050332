#include "app/ItemListProxy.h"

#include "app/ItemListModel.h"

namespace custodia {

ItemListProxy::ItemListProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(ItemListModel::kSortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setFilterKeyColumn(-1); // any column
}

bool ItemListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    if (QSortFilterProxyModel::lessThan(left, right))
        return true;
    if (QSortFilterProxyModel::lessThan(right, left))
        return false;
    // A descending sort asks with the rows swapped; equals stay in file order either way.
    return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
}

} // namespace custodia
