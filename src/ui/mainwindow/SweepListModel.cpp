#include "ui/mainwindow/SweepListModel.h"

#include "sweep/SweepList.h"
#include "ui/text/TextCodec.h"

#include <QSize>

using namespace zandrel;

SweepListModel::SweepListModel(SweepList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), shownRevision_(list.revision())
{
}

int SweepListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // A view counts rows in int; a longer list shows its first INT_MAX entries.
    constexpr std::size_t kMaxRows = static_cast<std::size_t>(INT32_MAX);
    return static_cast<int>(std::min(list_.size(), kMaxRows));
}

QVariant SweepListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.size())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return fromLocal8(list_.path(row));
    case Qt::CheckStateRole:
        return list_.ticked(row) ? Qt::Checked : Qt::Unchecked;
    case Qt::SizeHintRole:
        // Width 0: the rows take the view's width and no horizontal scroll bar appears.
        return QSize(0, kRowHeight);
    default:
        return {};
    }
}

bool SweepListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= list_.size())
        return false;
    const bool ticked = value.value<Qt::CheckState>() == Qt::Checked ||
                        (value.typeId() == QMetaType::Bool && value.toBool());
    list_.setTicked(static_cast<std::size_t>(index.row()), ticked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags SweepListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

void SweepListModel::sync()
{
    if (list_.revision() != shownRevision_) {
        beginResetModel();
        shownRevision_ = list_.revision();
        endResetModel();
        return;
    }
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0), index(rows - 1), {Qt::CheckStateRole});
}
