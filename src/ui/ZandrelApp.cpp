#include "ui/ZandrelApp.h"

#include <QApplication>

int runZandrel(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Zandrel");
    return 0;
}
