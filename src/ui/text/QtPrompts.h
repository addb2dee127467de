#pragma once
#include "base/Prompts.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class BusyIndicator;
struct WorkStop;

// The error box's text for `text` (in the code page of phone paths and language texts) followed
// by a local file's name (as the file system spells it), with the box's final ".".
QString localFileErrorText(const std::string& text, const std::string& localPath);

// The operations' boxes and dialogs, shown with Qt over the main window. Once the window has
// closed no box shows: what it would say goes to the standard error stream.
class QtPrompts final : public zandrel::Prompts {
public:
    QtPrompts(QWidget* window, BusyIndicator& busy, const WorkStop& stop);

    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    Answer yesNoCancel(const std::string& text) override;
    void error(const std::string& text) override;
    void localFileError(const std::string& text, const std::string& localPath) override;
    std::optional<std::string> saveFileName() override;
    std::optional<std::string> openFileName() override;
    void setCaption(const std::string& caption) override;
    void progress(std::size_t done, std::size_t total) override;
    // The pass goes on until the user presses Stop (or Esc).
    bool progressOrCancel(std::size_t done, std::size_t total) override;
    bool stopRequested() override;
    // What the progress of a pass the user may stop says, and the caption of its Stop button.
    void setCancelTexts(const QString& label, const QString& cancel);

private:
    // The window in front, else the main window; a box while the main window is being taken
    // down has no owner to sit on.
    QWidget* owner() const;
    void showError(const QString& text);
    std::optional<std::string> askFileName(bool save);

    QPointer<QWidget> window_;
    BusyIndicator& busy_;
    const WorkStop& stop_;
    // Each dialog opens with the name chosen in it last time; both save operations share one.
    QString lastSaveName_;
    QString lastOpenName_;
    QString cancelLabel_;
    QString cancelButton_;
};
