#include "ui/Unit2.h"

#include "sweep/CleanListFile.h"
#include "ui/Resources.h"
#include "ui/TextCodec.h"

#include <QPlainTextEdit>
#include <QTextDocument>

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
    move(312, 123);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 457, 377);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm2::showWindow()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm2::setLines(const PathList& lines)
{
    Memo1->setPlainText(fromLocal8(cleanListText(lines)));
    Memo1->document()->setModified(false);
}

bool TForm2::takeEdits(PathList& lines)
{
    if (!Memo1->document()->isModified())
        return false;
    lines = cleanListFromText(toLocal8(exactText(*Memo1)));
    Memo1->document()->setModified(false);
    return true;
}
