#include "ui/windows/KeptFilesWindow.h"

#include "backup/BackupTexts.h"
#include "ui/text/TextCodec.h"
#include "ui/windows/ScreenPlacement.h"

#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

using zandrel::BackupText;

namespace {
enum Column { WhenColumn, PathColumn, SizeColumn, kColumns };

QString text(const zandrel::BackupTexts& texts, BackupText which)
{
    return fromLocal8(texts.get(which));
}

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Wide enough for its header and for `widest` as a cell shows it, whatever the scale and font.
// Measured, not taken from the rows, so a long list costs nothing here.
void fitColumn(QTreeView& view, int column, const QString& widest)
{
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const int cell = view.fontMetrics().horizontalAdvance(widest) + 2 * margin;
    const int header = view.header()->sectionSizeHint(column);
    // A little air, so the text does not touch the next column.
    view.setColumnWidth(column, std::max(cell, header) + view.fontMetrics().averageCharWidth());
}

// Every digit as an eight, among the widest digits of common faces.
QString widestDigits(const QString& text)
{
    QString wide = text;
    for (QChar& c : wide)
        if (c.isDigit())
            c = QLatin1Char('8');
    return wide;
}
} // namespace

KeptFilesModel::KeptFilesModel(const zandrel::BackupTexts& texts, QObject* parent)
    : QAbstractTableModel(parent), texts_(texts)
{
}

void KeptFilesModel::setRows(std::vector<KeptFileRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int KeptFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int KeptFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant KeptFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const KeptFileRow& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case WhenColumn:
        return row.deletedAt ? QDateTime::fromSecsSinceEpoch(*row.deletedAt).toString(kTimeFormat)
                             : QString();
    case PathColumn:
        return row.phonePath;
    default:
        return QLocale::c().toString(static_cast<qulonglong>(row.size));
    }
}

QVariant KeptFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const BackupText captions[kColumns] = {BackupText::DeletedColumn, BackupText::PathColumn,
                                           BackupText::SizeColumn};
    return section >= 0 && section < kColumns ? text(texts_, captions[section]) : QVariant();
}

KeptFilesWindow::KeptFilesWindow(Kind kind, const zandrel::BackupTexts& texts, Action restore,
                                 Action remove)
    : QWidget(nullptr, Qt::Window), model_(new KeptFilesModel(texts, this)),
      list_(new QTreeView(this)), restore_(new QPushButton(text(texts, BackupText::RestoreButton))),
      restoreAction_(std::move(restore)), removeAction_(std::move(remove))
{
    const bool trash = kind == Kind::Trash;
    setObjectName(trash ? QStringLiteral("DeletedFilesWindow")
                        : QStringLiteral("BackupFilesWindow"));
    setWindowTitle(
        text(texts, trash ? BackupText::DeletedFilesTitle : BackupText::RestoreBackupTitle));
    list_->setObjectName(QStringLiteral("KeptFilesList"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setColumnHidden(WhenColumn, !trash);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(PathColumn, QHeaderView::Stretch);

    auto* buttons = new QHBoxLayout;
    restore_->setObjectName(QStringLiteral("RestoreButton"));
    buttons->addWidget(restore_);
    connect(restore_, &QPushButton::clicked, this, [this] { act(restoreAction_); });
    if (trash) {
        remove_ = new QPushButton(text(texts, BackupText::RemoveButton));
        remove_->setObjectName(QStringLiteral("RemoveButton"));
        buttons->addWidget(remove_);
        connect(remove_, &QPushButton::clicked, this, [this] { act(removeAction_); });
    }
    buttons->addStretch();
    auto* close = new QPushButton(text(texts, BackupText::CloseButton));
    close->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(640, 360);
}

void KeptFilesWindow::setRows(std::vector<KeptFileRow> rows)
{
    std::uint64_t largest = 0;
    for (const KeptFileRow& row : rows)
        largest = std::max(largest, row.size);
    model_->setRows(std::move(rows));
    fitColumn(*list_, WhenColumn,
              widestDigits(QDateTime::fromSecsSinceEpoch(0).toString(kTimeFormat)));
    fitColumn(*list_, SizeColumn, widestDigits(QLocale::c().toString(qulonglong{largest})));
}

void KeptFilesWindow::showWindow(const QWidget* opener)
{
    if (!isVisible())
        centreOnOpener(*this, opener);
    show();
    raise();
    activateWindow();
}

std::vector<std::size_t> KeptFilesWindow::chosenRows() const
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool KeptFilesWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && onActivated)
        onActivated();
    return QWidget::event(event);
}

void KeptFilesWindow::act(const Action& action)
{
    const std::vector<std::size_t> rows = chosenRows();
    if (action && !rows.empty())
        action(rows);
}
