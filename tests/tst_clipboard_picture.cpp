#include "capture/BackgroundPng.h"
#include "capture/ClipboardPicture.h"

#include "TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

// The picture on the clipboard: its PNG made ahead and handed out as is, the picture itself for
// every other image type.
class TestClipboardPicture : public QObject
{
    Q_OBJECT

private slots:
    void offersTheSamePixelsAsPngAndImage();
    void readerOfASkippedPictureStillGetsItsPng();
    void encodingsAreFreedOnceDropped();
};

void TestClipboardPicture::offersTheSamePixelsAsPngAndImage()
{
    const QImage picture = support::patternImage(QSize(640, 360));
    offerOnClipboard(picture);
    const QMimeData *offered = QGuiApplication::clipboard()->mimeData();
    QVERIFY(offered);
    QVERIFY(offered->formats().contains(QStringLiteral("image/png")));
    QVERIFY(offered->hasImage());
    const QByteArray png = offered->data(QStringLiteral("image/png"));
    QVERIFY(png.startsWith(support::pngMagic));
    const QImage pasted = QImage::fromData(png, "PNG");
    // An opaque picture: no alpha channel in the file.
    QVERIFY(!pasted.hasAlphaChannel());
    QCOMPARE(support::asRgb32(pasted), picture);
    QCOMPARE(support::asRgb32(QGuiApplication::clipboard()->image()), picture);

    // A picture replaced before anyone pasted it is simply gone; the new one is offered.
    offerOnClipboard(support::patternImage(QSize(4000, 3000)));
    offerOnClipboard(picture.copy(0, 0, 10, 10));
    QCOMPARE(QImage::fromData(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), "PNG").size(),
             QSize(10, 10));
}

void TestClipboardPicture::readerOfASkippedPictureStillGetsItsPng()
{
    // The encoder thread is busy with a large picture; the next one leaves the clipboard before
    // its turn (its encoding is skipped) while a paste (a clipboard manager reading every offer)
    // waits for it.
    const auto busy = BackgroundPng::start(support::patternImage(QSize(6000, 4000)));
    const QImage picture = support::patternImage(QSize(64, 48));
    const auto replaced = BackgroundPng::start(picture);
    replaced->giveUp();
    const QByteArray png = replaced->bytes();
    QVERIFY(png.startsWith(support::pngMagic));
    QCOMPARE(support::asRgb32(QImage::fromData(png, "PNG")), picture);
    QVERIFY(busy->bytes().startsWith(support::pngMagic));
}

void TestClipboardPicture::encodingsAreFreedOnceDropped()
{
    // One read, one given up before its turn behind a busy encoder, one dropped unread: each goes
    // with its PNG and picture once nobody holds it, as every capture's offer is dropped in turn.
    std::weak_ptr<BackgroundPng> read;
    std::weak_ptr<BackgroundPng> skipped;
    std::weak_ptr<BackgroundPng> unread;
    {
        const auto busy = BackgroundPng::start(support::patternImage(QSize(3000, 2000)));
        const auto first = BackgroundPng::start(support::patternImage(QSize(64, 48)));
        const auto second = BackgroundPng::start(support::patternImage(QSize(64, 48)));
        second->giveUp();
        QVERIFY(first->bytes().startsWith(support::pngMagic));
        read = first;
        skipped = second;
        unread = BackgroundPng::start(support::patternImage(QSize(64, 48)));
        QVERIFY(busy->bytes().startsWith(support::pngMagic));
    }
    QTRY_VERIFY(read.expired() && skipped.expired() && unread.expired());
}

QTEST_MAIN(TestClipboardPicture)
#include "tst_clipboard_picture.moc"
