// The start-up baseline: a bare Qt program showing a QMainWindow with one label.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Zandrel")));
    window.show();
    return QApplication::exec();
}
