#include "ui/text/QtPrompts.h"

#include "base/ProgramInfo.h"

#include "base/ErrorText.h"
#include "ui/phonework/BusyIndicator.h"
#include "ui/phonework/StopAwarePrompts.h"
#include "ui/phonework/WorkGate.h"
#include "ui/text/TextCodec.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

using namespace zandrel;

namespace {
void showBox(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}
} // namespace

QString localFileErrorText(const std::string& text, const std::string& localPath)
{
    const std::string message = text + localPath;
    const std::string ending = errorBoxText(message).substr(message.size());
    return fromLocal8(text) + QFile::decodeName(QByteArray::fromStdString(localPath)) +
           fromLocal8(ending);
}

QtPrompts::QtPrompts(QWidget* window, BusyIndicator& busy, const WorkStop& stop)
    : window_(window), busy_(busy), stop_(stop)
{
}

QWidget* QtPrompts::owner() const
{
    if (!window_ || !window_->isVisible())
        return nullptr;
    // A box sits on the window it answers: the one the user worked in when the handler began
    // (a Restore pressed in "Deleted files"), else the main window.
    QWidget* front = QApplication::activeWindow();
    return front && front->isVisible() && front->windowType() != Qt::Popup ? front
                                                                            : window_.data();
}

void QtPrompts::warning(const std::string& text)
{
    if (stop_.closing)
        return tellAfterClose(fromLocal8(text).toStdString());
    BusyIndicator::ModalPause pause(busy_);
    showBox(owner(), QMessageBox::Warning, QStringLiteral("Warning"), fromLocal8(text));
}

Prompts::Answer QtPrompts::yesNoCancel(const std::string& text)
{
    BusyIndicator::ModalPause pause(busy_);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), fromLocal8(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner());
    // Enter and the window's close box do the least: nothing is deleted.
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void QtPrompts::information(const std::string& text)
{
    if (stop_.closing)
        return tellAfterClose(fromLocal8(text).toStdString());
    BusyIndicator::ModalPause pause(busy_);
    showBox(owner(), QMessageBox::Information, QStringLiteral("Information"), fromLocal8(text));
}

void QtPrompts::error(const std::string& text) { showError(fromLocal8(errorBoxText(text))); }

void QtPrompts::localFileError(const std::string& text, const std::string& localPath)
{
    showError(localFileErrorText(text, localPath));
}

void QtPrompts::showError(const QString& text)
{
    if (stop_.closing)
        return tellAfterClose(text.toStdString());
    BusyIndicator::ModalPause pause(busy_);
    showBox(owner(), QMessageBox::Critical, QString::fromLatin1(zandrel::kProgramName), text);
}

std::optional<std::string> QtPrompts::saveFileName() { return askFileName(true); }

std::optional<std::string> QtPrompts::openFileName() { return askFileName(false); }

std::optional<std::string> QtPrompts::askFileName(bool save)
{
    if (stop_.closing)
        return std::nullopt;
    BusyIndicator::ModalPause pause(busy_);
    QString& last = save ? lastSaveName_ : lastOpenName_;
    QFileDialog dialog(owner());
    dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilter(QStringLiteral("Clean list Zandrel (*.df)"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    last = dialog.selectedFiles().constFirst();
    // A local file name: the file system's own bytes, not the phone's code page.
    return QFile::encodeName(last).toStdString();
}

void QtPrompts::setCaption(const std::string& caption)
{
    if (window_)
        window_->setWindowTitle(fromLocal8(caption));
}

void QtPrompts::progress(std::size_t done, std::size_t total)
{
    busy_.progress(done, total);
    // Work in memory between its library calls gives the window its turns here.
    busy_.letWindowAnswer();
}

void QtPrompts::setCancelTexts(const QString& label, const QString& cancel)
{
    cancelLabel_ = label;
    cancelButton_ = cancel;
}

bool QtPrompts::progressOrCancel(std::size_t done, std::size_t total)
{
    busy_.setPassTexts(done < total ? cancelLabel_ : QString(),
                       done < total ? cancelButton_ : QString());
    progress(done, total);
    return !stop_.requested;
}

bool QtPrompts::stopRequested() { return stop_.requested; }
