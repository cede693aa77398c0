#include "app/Home.h"
#include "app/Platform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    preferX11OnWayland();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Home home;
    home.setWindowTitle(QStringLiteral("TAVO截图"));
    home.show();
    return QApplication::exec();
}
