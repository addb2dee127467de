#include "ui/mainwindow/BackupTools.h"

#include "backup/BackupWriter.h"
#include "backup/PhoneFolders.h"
#include "backup/RestoreFiles.h"
#include "base/ErrorText.h"
#include "base/MessageTexts.h"
#include "base/Settings.h"
#include "sweep/LastReadBackup.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/phonework/WaitingPhoneLink.h"
#include "ui/text/QtPrompts.h"
#include "ui/text/TextCodec.h"
#include "ui/windows/KeptFilesWindow.h"

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
#include <cerrno>
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

std::int64_t secondsNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

} // namespace

BackupTools::BackupTools(TForm1& form, Runner run, const std::string& programDirectory,
                         const std::string& languageFile)
    : form_(form), run_(std::move(run)), programDirectory_(programDirectory),
      texts_(BackupTexts::load(languageFile)),
      // The emulator's deleted files are kept apart from a real phone's.
      keeper_(form.session().phone, texts_,
              TrashStore(phoneFolders(form.session().phone.phoneKind()).trash))
{
    phoneKind = form_.session().phone.phoneKind();
    keeper_.phoneKind = phoneKind;
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
        form_.session().prompts.localFileError(
            form_.session().texts.get(MessageText::UnableToWrite) + ' ', settings.write);
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
    deletedWindow_->showWindow(&form_);
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
        RestorePlace place = restorePlace();
        // The window shows the copies of the phone in use: theirs is its kind.
        if (place.phoneKind.empty() && !chosen.empty())
            place.phoneKind = chosen.front().phoneKind;
        RestoreFromTrash(place, chosen);
        refreshDeletedFiles();
    });
}

RestorePlace BackupTools::restorePlace()
{
    return {form_.session().phone,
            form_.session().prompts,
            texts_,
            keeper_.store(),
            phoneKind,
            secondsNow,
            [this](const std::function<void()>& job) { runAside(job); }};
}

void BackupTools::runAside(const std::function<void()>& job)
{
    auto* waiting = dynamic_cast<WaitingPhoneLink*>(&form_.session().phone);
    if (!waiting) {
        job();
        return;
    }
    // The job owns what it works on, so a window closed meanwhile leaves it nothing freed.
    waiting->pass([job] {
        job();
        return int32_t(0);
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
                form_.session().prompts.localFileError(texts_.get(BackupText::RemoveFailed) + ' ',
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
    Prompts& prompts = form_.session().prompts;
    BackupFolder backup;
    ParsedManifest manifest;
    int error = backup.open(folder);
    if (error == 0) {
        auto read = std::make_shared<std::pair<int, ParsedManifest>>();
        bool ran = false;
        run_([&] {
            runAside([read, backup] { read->first = backup.readManifest(read->second); });
            ran = true;
        });
        if (!ran)
            return;
        error = read->first;
        manifest = std::move(read->second);
    }
    const std::string manifestPath = folder + "/" + kManifestName;
    if (error == ENOENT) {
        prompts.localFileError(texts_.get(BackupText::NoManifest) + ' ', folder);
        return;
    }
    if (error != 0) {
        const std::string why = error == kNotPlainFile ? texts_.get(BackupText::NotPlainFile)
                                                       : ioErrorText(error, folder);
        prompts.localFileError(why + ": ", error == kNotPlainFile ? manifestPath : folder);
        return;
    }
    if (manifest.badLines > 0)
        prompts.warning(MessageTexts::format(texts_.get(BackupText::ManifestBadLines),
                                             {std::to_string(manifest.badLines)}));
    delete backupWindow_;
    auto entries = std::make_shared<std::vector<ManifestEntry>>(std::move(manifest.entries));
    auto restore = [this, backup, entries](const std::vector<std::size_t>& rows) {
        run_([&] {
            std::vector<ManifestEntry> chosen;
            for (const std::size_t row : rows)
                chosen.push_back((*entries)[row]);
            RestoreFromBackup(restorePlace(), backup, chosen);
        });
    };
    backupWindow_ = new KeptFilesWindow(KeptFilesWindow::Kind::Backup, texts_, restore);
    std::vector<KeptFileRow> rows;
    rows.reserve(entries->size());
    for (const ManifestEntry& entry : *entries)
        rows.push_back({std::nullopt, fromLocal8(entry.phonePath), entry.size});
    backupWindow_->setRows(std::move(rows));
    backupWindow_->setWindowTitle(backupWindow_->windowTitle() + QStringLiteral(" - ") +
                                  QFile::decodeName(QByteArray::fromStdString(folder)));
    backupWindow_->showWindow(&form_);
}
