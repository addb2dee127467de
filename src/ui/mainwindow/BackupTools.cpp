#include "ui/mainwindow/BackupTools.h"

#include "backup/BackupWriter.h"
#include "backup/RestoreFiles.h"
#include "base/MessageTexts.h"
#include "base/Settings.h"
#include "sweep/LastReadBackup.h"
#include "ui/windows/KeptFilesWindow.h"
#include "ui/text/QtPrompts.h"
#include "ui/text/TextCodec.h"
#include "ui/mainwindow/Unit1.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <ctime>
#include <filesystem>

using namespace zandrel;

namespace {
std::string workingFolder()
{
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string(".") : here.string();
}

} // namespace

BackupTools::BackupTools(TForm1& form, Runner run, const std::string& programDirectory,
                         const std::string& languageFile)
    : form_(form), run_(std::move(run)), programDirectory_(programDirectory),
      texts_(BackupTexts::load(languageFile)),
      keeper_(form.session().phone, texts_, TrashStore(trashFolder()))
{
    form_.session().keeper = &keeper_;
    // A library that cannot fetch leaves the controls as they were laid out.
    if (!form_.session().phone.canFetch())
        return;
    keeper_.settings = KeepSettings::read(settingsFiles(programDirectory_).read);
    // Old runs go once the window is painted, off its thread: a large trash never delays it.
    form_.installEventFilter(this);
    if (!keeper_.settings.unreadable.empty())
        QTimer::singleShot(0, this, [this] { tellUnreadableSettings(); });
    form_.BitBtn18->setEnabled(true);
    connect(form_.BitBtn18, &QPushButton::clicked, this, &BackupTools::createBackup);
    addMenuItems();
    if (auto* qt = dynamic_cast<QtPrompts*>(&form_.session().prompts))
        qt->setCancelTexts(fromLocal8(texts_.get(BackupText::BackingUp)),
                           fromLocal8(texts_.get(BackupText::CancelButton)));
}

BackupTools::~BackupTools()
{
    form_.session().keeper = nullptr;
    delete deletedWindow_;
    delete backupWindow_;
}

void BackupTools::addMenuItems()
{
    QMenu* menu = form_.Backuptools1;
    menu->menuAction()->setEnabled(true);
    const auto add = [&](const char* name, BackupText caption) {
        QAction* action = menu->addAction(fromLocal8(texts_.get(caption)));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    Createbackup1 = add("Createbackup1", BackupText::CreateBackupItem);
    Restorefrombackup1 = add("Restorefrombackup1", BackupText::RestoreBackupItem);
    menu->addSeparator()->setObjectName(QStringLiteral("N3"));
    Deletedfiles1 = add("Deletedfiles1", BackupText::DeletedFilesItem);
    Keepdeletedfiles1 = add("Keepdeletedfiles1", BackupText::KeepDeletedItem);
    Keepdeletedfiles1->setCheckable(true);
    Keepdeletedfiles1->setChecked(keeper_.settings.keep);
    connect(Createbackup1, &QAction::triggered, this, &BackupTools::createBackup);
    connect(Restorefrombackup1, &QAction::triggered, this, &BackupTools::restoreFromBackup);
    connect(Deletedfiles1, &QAction::triggered, this, &BackupTools::showDeletedFiles);
    connect(Keepdeletedfiles1, &QAction::toggled, this, &BackupTools::setKeeping);
}

void BackupTools::createBackup()
{
    run_([this] { BackupLastRead(form_.session(), texts_, workingFolder()); });
}

void BackupTools::setKeeping(bool keep)
{
    keeper_.settings.keep = keep;
    const SettingsFiles settings = settingsFiles(programDirectory_);
    if (writeKeepDeleted(settings, keep) != 0)
        form_.session().prompts.localFileError("Unable to write to ", settings.write);
}

void BackupTools::showDeletedFiles()
{
    if (!deletedWindow_) {
        deletedWindow_ = new KeptFilesWindow(
            KeptFilesWindow::Kind::Trash, texts_,
            [this](const std::vector<std::size_t>& rows) { restoreDeleted(rows); },
            [this](const std::vector<std::size_t>& rows) { removeDeleted(rows); });
        // A clean since the window was last in front has added to the trash.
        deletedWindow_->onActivated = [this] { refreshDeletedFiles(); };
    }
    refreshDeletedFiles();
    deletedWindow_->showWindow();
}

bool BackupTools::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &form_ && event->type() == QEvent::Paint) {
        form_.removeEventFilter(this);
        keeper_.startTidying();
    }
    return false;
}

void BackupTools::tellUnreadableSettings()
{
    std::string settings;
    for (const std::string& setting : keeper_.settings.unreadable)
        settings += (settings.empty() ? "" : ", ") + setting;
    form_.session().prompts.warning(
        MessageTexts::format(texts_.get(BackupText::SettingUnreadable), {settings}));
}

void BackupTools::refreshDeletedFiles()
{
    // Unchanged, the trash is not read again: the rows stay as they are, and so does what the
    // user chose among them.
    std::optional<std::vector<TrashEntry>> entries = keeper_.entriesIfChanged();
    if (!entries)
        return;
    shownEntries_ = std::move(*entries);
    std::vector<KeptFileRow> rows;
    rows.reserve(shownEntries_.size());
    for (const TrashEntry& entry : shownEntries_)
        rows.push_back({entry.time, fromLocal8(entry.phonePath), entry.size});
    if (deletedWindow_)
        deletedWindow_->setRows(std::move(rows));
}

void BackupTools::restoreDeleted(const std::vector<std::size_t>& rows)
{
    run_([&] {
        std::vector<TrashEntry> chosen;
        for (const std::size_t row : rows)
            chosen.push_back(shownEntries_[row]);
        RestoreFromTrash(form_.session().phone, form_.session().prompts, texts_, keeper_.store(),
                         chosen);
        refreshDeletedFiles();
    });
}

void BackupTools::removeDeleted(const std::vector<std::size_t>& rows)
{
    const QString question = fromLocal8(MessageTexts::format(texts_.get(BackupText::RemoveQuestion),
                                                             {std::to_string(rows.size())}));
    if (QMessageBox::question(deletedWindow_, QStringLiteral("Warning"), question) !=
        QMessageBox::Yes)
        return;
    run_([&] {
        for (const std::size_t row : rows)
            if (keeper_.store().remove(shownEntries_[row]) != 0)
                form_.session().prompts.localFileError("Unable to remove ",
                                                       keeper_.store().fileOf(shownEntries_[row]));
        refreshDeletedFiles();
    });
}

void BackupTools::restoreFromBackup()
{
    const QString start = QFile::decodeName(QByteArray::fromStdString(workingFolder() + "/backup"));
    const QString chosen = QFileDialog::getExistingDirectory(
        &form_, fromLocal8(texts_.get(BackupText::ChooseBackup)), start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        showBackup(QFile::encodeName(chosen).toStdString());
}

void BackupTools::showBackup(const std::string& folder)
{
    std::vector<ManifestEntry> entries;
    if (readManifest(folder, entries) != 0) {
        form_.session().prompts.localFileError(texts_.get(BackupText::NoManifest) + ' ', folder);
        return;
    }
    delete backupWindow_;
    auto restore = [this, folder, entries](const std::vector<std::size_t>& rows) {
        run_([&] {
            std::vector<RestoreItem> items;
            for (const std::size_t row : rows)
                items.push_back(restoreItemOf(folder, entries[row]));
            RestoreFiles(form_.session().phone, form_.session().prompts, texts_, items);
        });
    };
    backupWindow_ = new KeptFilesWindow(KeptFilesWindow::Kind::Backup, texts_, restore);
    std::vector<KeptFileRow> rows;
    for (const ManifestEntry& entry : entries)
        rows.push_back({std::nullopt, fromLocal8(entry.phonePath), entry.size});
    backupWindow_->setRows(std::move(rows));
    backupWindow_->setWindowTitle(backupWindow_->windowTitle() + QStringLiteral(" - ") +
                                  QFile::decodeName(QByteArray::fromStdString(folder)));
    backupWindow_->showWindow();
}
