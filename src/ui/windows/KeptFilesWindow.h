#pragma once
#include <QAbstractTableModel>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QPushButton;
class QTreeView;

namespace zandrel {
class BackupTexts;
}

// One copy on the computer as the window lists it.
struct KeptFileRow {
    std::optional<std::int64_t> deletedAt; // none for a backup's files
    QString phonePath;                     // as the list shows it
    std::uint64_t size = 0;
};

// The rows of a KeptFilesWindow: when deleted, phone path, size.
class KeptFilesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit KeptFilesModel(const zandrel::BackupTexts& texts, QObject* parent = nullptr);
    void setRows(std::vector<KeptFileRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const zandrel::BackupTexts& texts_;
    std::vector<KeptFileRow> rows_;
};

// Lists the files kept on the computer, the trash's ("Deleted files") or a backup's ("Restore
// from backup"), and puts the chosen ones back on the phone or, in the trash, removes them for
// good. What the buttons do is the owner's; the window only says which rows are chosen.
class KeptFilesWindow final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Trash, Backup };
    using Action = std::function<void(const std::vector<std::size_t>& rows)>;

    KeptFilesWindow(Kind kind, const zandrel::BackupTexts& texts, Action restore,
                    Action remove = {});

    void setRows(std::vector<KeptFileRow> rows);
    // Visible and in front; never modal. A hidden window opens centred on `opener`.
    void showWindow(const QWidget* opener = nullptr);
    std::vector<std::size_t> chosenRows() const;

    QTreeView* list() const { return list_; }
    // Called whenever the window comes to the front, so it shows what changed meanwhile.
    std::function<void()> onActivated;

protected:
    bool event(QEvent* event) override;

private:
    void act(const Action& action);

    KeptFilesModel* model_;
    QTreeView* list_;
    QPushButton* restore_;
    QPushButton* remove_ = nullptr;
    Action restoreAction_;
    Action removeAction_;
};
