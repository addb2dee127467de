#include "ui/mainwindow/TabbedNotebook.h"

#include <QEvent>

TabbedNotebook::TabbedNotebook(QWidget* parent) : QTabWidget(parent) {}

QWidget* TabbedNotebook::addPage(const QString& name, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    auto* client = new QWidget(page);
    client->setObjectName(name + QStringLiteral("Client"));
    addTab(page, caption);
    clients_.push_back(client);
    // The stack that holds the pages moves when the tab bar changes height.
    page->installEventFilter(this);
    if (QWidget* stack = page->parentWidget())
        stack->installEventFilter(this);
    anchorClients();
    return client;
}

void TabbedNotebook::showEvent(QShowEvent* event)
{
    QTabWidget::showEvent(event);
    anchorClients();
}

void TabbedNotebook::resizeEvent(QResizeEvent* event)
{
    QTabWidget::resizeEvent(event);
    anchorClients();
}

bool TabbedNotebook::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)
        anchorClients();
    return QTabWidget::eventFilter(watched, event);
}

void TabbedNotebook::anchorClients()
{
    for (QWidget* client : clients_) {
        QWidget* page = client->parentWidget();
        const QSize area =
            size() - QSize(2 * kClientOrigin.x(), kClientOrigin.y() + kClientOrigin.x());
        client->setGeometry(QRect(kClientOrigin - page->mapTo(this, QPoint(0, 0)), area));
    }
}
