#include "app/Home.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Home home;
    home.setWindowTitle(QStringLiteral("TAVO截图"));
    home.show();
    return QApplication::exec();
}
