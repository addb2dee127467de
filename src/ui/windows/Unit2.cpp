#include "ui/windows/Unit2.h"

#include "sweep/CleanListFile.h"
#include "ui/look/Resources.h"
#include "ui/windows/ScreenPlacement.h"
#include "ui/text/TextCodec.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

using namespace zandrel;

TForm2* Form2 = nullptr;

namespace {
// toPlainText() turns no-break spaces (byte 0xA0) into plain spaces; the raw text keeps every
// character and only needs its breaks turned into line breaks: paragraph separators between
// blocks, and the line separators that Shift+Enter or a pasted text puts inside one. Each looks
// like a new line in the box, so each is one for the list.
QString exactText(const QPlainTextEdit& edit)
{
    QString text = edit.document()->toRawText();
    for (const QChar lineBreak : {QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator)})
        text.replace(lineBreak, QLatin1Char('\n'));
    return text;
}
// The box keeps some hundreds of bytes for every line besides its text, and lays a line out
// whole: past these a list takes seconds and hundreds of megabytes to show, and one long line
// can hold the window for minutes. Phone paths are short; such a list is not one to read.
constexpr std::size_t kMaxShownLines = 100000;
constexpr std::size_t kMaxShownBytes = std::size_t{8} << 20;
constexpr std::size_t kMaxShownLineBytes = std::size_t{16} << 10;

// Why the box cannot show the list, or an empty text when it can.
QString whyNotShown(const PathList& lines, const MessageTexts& texts)
{
    std::size_t longest = 0;
    lines.forEach([&longest](std::size_t, std::string_view line) {
        longest = std::max(longest, line.size());
    });
    const auto why = [&texts](MessageText text, std::size_t has, std::size_t most) {
        return fromLocal8(
            MessageTexts::format(texts.get(text), {std::to_string(has), std::to_string(most)}));
    };
    if (lines.size() > kMaxShownLines)
        return why(MessageText::ViewerLines, lines.size(), kMaxShownLines);
    if (lines.byteCount() > kMaxShownBytes)
        return why(MessageText::ViewerBytes, lines.byteCount(), kMaxShownBytes);
    if (longest > kMaxShownLineBytes)
        return why(MessageText::ViewerLine, longest, kMaxShownLineBytes);
    return {};
}
} // namespace

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("View list"));
    setWindowIcon(programIcon());
    setFont(designFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // Closing the viewer only hides it, and it must not keep the program running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(458, 379);
    placeOnScreen(*this, {312, 123});

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 457, 377);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm2::showWindow(const QWidget* opener)
{
    if (!isVisible())
        centreOnOpener(*this, opener);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm2::setLines(const PathList& lines, const MessageTexts& texts)
{
    const QString why = whyNotShown(lines, texts);
    refused_ = !why.isEmpty();
    Memo1->setReadOnly(refused_);
    Memo1->setPlainText(refused_ ? why + '\n' + fromLocal8(texts.get(MessageText::ViewerNoEdits))
                                 : fromLocal8(cleanListText(lines)));
    Memo1->document()->setModified(false);
}

bool TForm2::takeEdits(PathList& lines)
{
    if (refused_ || !Memo1->document()->isModified())
        return false;
    lines = cleanListFromText(toLocal8(exactText(*Memo1)));
    Memo1->document()->setModified(false);
    return true;
}
