#pragma once
#include <QAbstractListModel>

#include <cstdint>

namespace zandrel {
class SweepList;
}

// CheckListBox1's rows: the SweepList itself, one checkable row per entry in list order. Rows are
// made on demand, so a list of a million paths costs the view nothing until it is scrolled.
class SweepListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 13;

    explicit SweepListModel(zandrel::SweepList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // After an operation: rebuilds the rows when entries were added or removed, otherwise tells
    // the view that ticks may have changed.
    void sync();

private:
    zandrel::SweepList& list_;
    std::uint64_t shownRevision_;
};
