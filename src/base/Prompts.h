#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace zandrel {

// The one way core operations reach the user. The UI implements it with Qt boxes and dialogs;
// tests implement it with a scripted recorder. Texts are 8-bit byte strings, shown by the UI
// through its code page.
class Prompts {
public:
    virtual ~Prompts() = default;

    // Modal box titled "Warning", one OK button.
    virtual void warning(const std::string& text) = 0;
    // Modal box titled "Information", one OK button.
    virtual void information(const std::string& text) = 0;
    // The standard error box: caption "Zandrel", error icon, OK. The text is the raw message;
    // the box itself adds the final "." (see errorBoxText).
    virtual void error(const std::string& text) = 0;
    // The standard error box for `text` followed by a local file's name. The name is shown as
    // the file system spells it (UTF-8), not through the code page of phone paths and texts.
    // Where no text is shown, the two are simply one message.
    virtual void localFileError(const std::string& text, const std::string& localPath)
    {
        error(text + localPath);
    }
    // SaveDialog1 / OpenDialog1: the chosen file name, or nothing when the user cancels.
    virtual std::optional<std::string> saveFileName() = 0;
    virtual std::optional<std::string> openFileName() = 0;
    // The main window's caption.
    virtual void setCaption(const std::string& caption) = 0;
    // A long pass reports how far it is; done == total ends the pass. The window may take a turn
    // here (painting, Stop, Esc), but never runs another handler inside the pass.
    virtual void progress(std::size_t done, std::size_t total) = 0;
    // The same for a pass the user may stop: false once the user has pressed Cancel.
    virtual bool progressOrCancel(std::size_t done, std::size_t total)
    {
        progress(done, total);
        return true;
    }
    // Whether the user has asked the running work to stop (the Stop button, Esc, closing the
    // window, a logout). Work asks between its steps, never inside one: what belongs together
    // (an upload's delete, create, write and close) is finished first.
    virtual bool stopRequested() { return false; }
    // Modal box titled "Warning" with the buttons Yes, No and Cancel; closing it answers
    // Cancel, and so does a user interface that cannot ask.
    enum class Answer { Yes, No, Cancel };
    virtual Answer yesNoCancel(const std::string& text)
    {
        (void)text;
        return Answer::Cancel;
    }
};

} // namespace zandrel
