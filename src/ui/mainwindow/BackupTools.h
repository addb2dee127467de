#pragma once
#include "backup/BackupTexts.h"
#include "backup/RestoreFiles.h"
#include "backup/TrashKeeper.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

class QAction;
class KeptFilesWindow;
class TForm1;

// The "Backup" frame's button and the "Backup tools" menu: Create backup, Restore from backup,
// Deleted files and the keeping of deleted files. They work only with a library that can fetch
// phone files; without one every control stays as it was laid out, disabled, and nothing is kept.
class BackupTools final : public QObject {
    Q_OBJECT
public:
    // Runs an operation as one of the window's handlers.
    using Runner = std::function<void(const std::function<void()>&)>;

    BackupTools(TForm1& form, Runner run, const std::string& programDirectory,
                const std::string& languageFile);
    ~BackupTools() override;

    QAction* Createbackup1 = nullptr;
    QAction* Restorefrombackup1 = nullptr;
    QAction* Deletedfiles1 = nullptr;
    QAction* Keepdeletedfiles1 = nullptr;

    void createBackup();
    void showDeletedFiles();
    void restoreFromBackup();
    // Lists the backup in folder in its own window, from which its files go back to the phone.
    void showBackup(const std::string& folder);

    // The kind of phone in use, recorded with the files a restore keeps before writing over them.
    std::string phoneKind;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addMenuItems();
    void tellUnreadableSettings();
    void setKeeping(bool keep);
    void refreshDeletedFiles();
    void restoreDeleted(const std::vector<std::size_t>& rows);
    void removeDeleted(const std::vector<std::size_t>& rows);
    zandrel::RestorePlace restorePlace();
    // Runs local work on the phone thread while the window paints.
    void runAside(const std::function<void()>& job);

    TForm1& form_;
    Runner run_;
    const std::string programDirectory_;
    zandrel::BackupTexts texts_;
    zandrel::TrashKeeper keeper_;
    std::vector<zandrel::TrashEntry> shownEntries_;
    QPointer<KeptFilesWindow> deletedWindow_;
    QPointer<KeptFilesWindow> backupWindow_;
};
