// A window for the long screenshot test: a viewport on the tall page of ScrollPage.h that scrolls
// by whole pixels, a fixed number a wheel notch; with --header a band above the page stays put.
#include "ScrollPage.h"

#include <QApplication>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

namespace {

class PageView : public QWidget
{
public:
    explicit PageView(bool withHeader)
        : picture(scrollpage::page())
        , band(withHeader ? scrollpage::header() : QImage())
    {
        setWindowTitle(QStringLiteral("scrollpage"));
        setFixedSize(scrollpage::viewSize);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const int top = band.height();
        painter.drawImage(QPoint(0, top), picture, QRect(0, offset, width(), height() - top));
        if (!band.isNull())
            painter.drawImage(QPoint(0, 0), band);
    }

    void wheelEvent(QWheelEvent *event) override
    {
        const int notches = -event->angleDelta().y() / 120;
        const int last = picture.height() - (height() - band.height());
        offset = qBound(0, offset + notches * scrollpage::pixelsPerNotch, last);
        repaint();
    }

private:
    QImage picture;
    QImage band;
    int offset = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    PageView view(app.arguments().contains(QStringLiteral("--header")));
    view.move(40, 40);
    view.show();
    return app.exec();
}
