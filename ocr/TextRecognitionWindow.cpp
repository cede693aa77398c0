#include "TextRecognitionWindow.h"

#include "ocr/TextRecognition.h"
#include "platform/ClipboardOffer.h"

#include <QClipboard>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

// Where no window of ours has the focus (Wayland's clipboard then refuses the toolkit) the text
// goes through the window system's own channel, as captures do.
void putTextOnClipboard(const QString &text)
{
    if (!QGuiApplication::focusWindow()) {
        const QByteArray utf8 = text.toUtf8();
        // Refused later (GNOME gave no focus): the toolkit's clipboard takes it instead.
        const auto refused = [text](const QString &) { QGuiApplication::clipboard()->setText(text); };
        if (offerBesideToolkit(QStringLiteral("text/plain;charset=utf-8"), [utf8] { return utf8; }, [] {}, refused))
            return;
    }
    QGuiApplication::clipboard()->setText(text);
}

// Reading more text soon after finds the engines loaded; later, their memory goes back.
constexpr int engineKeepMs = 60000;

QString timeTaken(qint64 milliseconds)
{
    return QStringLiteral("用时 %1 秒").arg(milliseconds / 1000.0, 0, 'f', 1);
}

} // namespace

void showTextRecognition(const QImage &region)
{
    auto *window = new TextRecognitionWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->recognise(region);
}

TextRecognitionWindow::TextRecognitionWindow()
    : busy(new QProgressBar), status(new QLabel(QStringLiteral("正在识别文字…"))), textEdit(new QPlainTextEdit),
      copyButton(new QPushButton(QStringLiteral("复制")))
{
    setWindowTitle(QStringLiteral("识别结果"));
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    textEdit->hide();
    copyButton->setEnabled(false);
    connect(copyButton, &QPushButton::clicked, this, &TextRecognitionWindow::copyText);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(status, 1);
    bottom->addWidget(copyButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(busy);
    layout->addWidget(textEdit, 1);
    layout->addLayout(bottom);
    resize(480, 320);
}

void TextRecognitionWindow::recognise(const QImage &region)
{
    // The watcher goes with the window: a window closed while reading drops the result.
    auto *watcher = new QFutureWatcher<TextRecognitionResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        showResult(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([region] { return recogniseText(region); }));
}

void TextRecognitionWindow::showResult(const TextRecognitionResult &result)
{
    busy->hide();
    QTimer::singleShot(engineKeepMs, qApp, releaseIdleTextEngines);
    if (result.outcome != TextRecognitionResult::Outcome::Text) {
        status->setText(failureMessage(result));
        return;
    }
    textEdit->setPlainText(result.text);
    textEdit->show();
    copyButton->setEnabled(true);
    status->setText(timeTaken(result.milliseconds));
    putTextOnClipboard(result.text);
}

void TextRecognitionWindow::copyText()
{
    putTextOnClipboard(textEdit->toPlainText());
}
