#include "ui/windows/Unit3.h"

#include "base/ProgramInfo.h"
#include "ui/look/JpegImage.h"
#include "ui/look/Resources.h"
#include "ui/windows/ScreenPlacement.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

TForm3* Form3 = nullptr;

namespace {
const QString kAuthor = QStringLiteral("Zandrel developers (zandrel)");
const QString kMail = QStringLiteral("zandrel@example.org");
const QString kHomeHost = QStringLiteral("www.example.org");
const QString kSupportHost = QStringLiteral("forum.example.org");
const QString kLibraryAuthor = QStringLiteral("the Zandrel team");

// The 3-D light colour sits between the button face and its highlight, as Qt's Midlight is
// documented to. Some styles make Midlight darker than the face; then a shade just below the
// face stands in.
QColor lightShade(const QPalette& palette)
{
    const QColor face = palette.color(QPalette::Button);
    const QColor midlight = palette.color(QPalette::Midlight);
    return midlight.lightness() >= face.lightness() ? midlight : face.darker(105);
}
} // namespace

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window), openLink([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About..."));
    setWindowIcon(programIcon());
    setFont(designFont());
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, lightShade(look));
    setPalette(look);
    setAttribute(Qt::WA_QuitOnClose, false);
    // Outer 287 x 256 with a classic frame (4 px borders, 19 px caption).
    resize(279, 229);
    placeOnScreen(*this, {368, 158});

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 8, 89, 89);
    Image1->setPixmap(QPixmap::fromImage(decodeJpeg(logoJpeg())));

    Label2 = addLabel("Label2", 112, 16, QStringLiteral("Product name:"), Look::Plain);
    Label1 = addLabel("Label1", 184, 16, QString::fromLatin1(zandrel::kProgramName), Look::Bold);
    Label3 = addLabel("Label3", 112, 32, QStringLiteral("Version:"), Look::Plain);
    Label4 =
        addLabel("Label4", 152, 32,
                 QString::fromLatin1(zandrel::kProgramVersion) + QStringLiteral(" (1-JUNE-2005)"),
                 Look::Bold);
    Label10 =
        addLabel("Label10", 112, 56, QStringLiteral("P2KAPI by ") + kLibraryAuthor, Look::Red);
    addLabel("Label13", 112, 72, QStringLiteral("License: GPL-3.0-or-later"), Look::Plain);
    Label5 = addLabel("Label5", 16, 104, QStringLiteral("Author:"), Look::Plain);
    Label6 = addLabel("Label6", 56, 104, kAuthor, Look::Bold);
    Label7 = addLabel("Label7", 64, 120, QStringLiteral("Email: ") + kMail, Look::Link);
    Label8 = addLabel("Label8", 16, 144, QStringLiteral("Home:"), Look::Plain);
    Label9 = addLabel("Label9", 56, 144, kHomeHost, Look::BoldLink);
    Label11 = addLabel("Label11", 16, 160, QStringLiteral("Support: "), Look::Plain);
    Label12 = addLabel("Label12", 64, 160, kSupportHost, Look::BoldLink);

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(120, 184, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

QLabel* TForm3::addLabel(const char* name, int left, int top, const QString& text, Look look)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    if (look == Look::Bold || look == Look::BoldLink) {
        QFont bold = font();
        bold.setBold(true);
        label->setFont(bold);
    }
    if (look == Look::Red) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
    }
    if (look == Look::Link || look == Look::BoldLink) {
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    label->move(left, top);
    label->adjustSize();
    return label;
}

void TForm3::showWindow(const QWidget* opener)
{
    if (!isVisible())
        centreOnOpener(*this, opener);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm3::Button1Click() { hide(); }

void TForm3::Label7Click() { openLink(QUrl(QStringLiteral("mailto:") + kMail)); }

void TForm3::Label9Click()
{
    openLink(QUrl(QStringLiteral("https://") + kHomeHost + QLatin1Char('/')));
}

void TForm3::Label12Click()
{
    openLink(QUrl(QStringLiteral("https://") + kSupportHost + QLatin1Char('/')));
}

// A label acts like a button: the click counts when the left button is released over it.
bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = qobject_cast<QLabel*>(watched);
        if (label && mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (label == Label7)
                Label7Click();
            else if (label == Label9)
                Label9Click();
            else if (label == Label12)
                Label12Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}
