#include "DrawBoard.h"

#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"
#include "board/Canvas.h"
#include "common/PictureLoader.h"
#include "board/PointHistory.h"
#include "board/SaveQuestion.h"
#include "settings/PainterSetting.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QToolBar>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int startWidth = 400;
constexpr int startHeight = 300;
constexpr double scaleStep = 1.5;
constexpr double quarterTurn = 90.0;

const QString pictureFilter = QStringLiteral("picture(*.png *.jpg)");
const QString moveIconPath = QStringLiteral(":/resources/img/move.png");
const QString moveDownIconPath = QStringLiteral(":/resources/img/move_down.png");

QIcon iconFrom(const QString &path)
{
    return QIcon(QPixmap(path));
}

} // namespace

DrawBoard::DrawBoard(QWidget *parent)
    : QMainWindow(parent)
    , offsetHistory(new PointHistory(1))
{
    offsetHistory->append(QPoint(0, 0));
    // A decode still running at exit would hold the program up until it ends.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { cancelPictureLoad(); });
    resize(startWidth, startHeight);
    buildFileMenu();
    addStrokeKeys();
    connectPenSettings();
    buildToolBar();
}

DrawBoard::~DrawBoard()
{
    cancelPictureLoad();
    delete offsetHistory;
    delete picture;
}

QPoint DrawBoard::committedPictureOffset() const
{
    return offsetHistory->last();
}

void DrawBoard::buildFileMenu()
{
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("文件"));
    fileMenu->addAction(iconFrom(QStringLiteral(":/resources/img/open.png")), QStringLiteral("打开图片"),
                        this, SLOT(openFile()), QKeySequence::Open);
    fileMenu->addAction(iconFrom(QStringLiteral(":/resources/img/save.png")), QStringLiteral("保存"),
                        this, SLOT(save()), QKeySequence::Save);
}

void DrawBoard::addStrokeKeys()
{
    // Keys of the window, not menu entries: the board's menu stays as it is.
    const struct {
        const char *name;
        QKeySequence keys;
        void (DrawBoard::*slot)();
    } entries[] = {
        {"undoAction", QKeySequence(Qt::CTRL | Qt::Key_Z), &DrawBoard::undoStroke},
        {"redoAction", QKeySequence(Qt::CTRL | Qt::Key_Y), &DrawBoard::redoStroke},
    };
    for (const auto &entry : entries) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(entry.name));
        action->setShortcut(entry.keys);
        connect(action, &QAction::triggered, this, entry.slot);
        addAction(action);
    }
}

void DrawBoard::undoStroke()
{
    if (strokes.isEmpty())
        return;
    undoneStrokes.append(strokes.takeLast());
    markChanged();
    redrawAllStrokes();
}

void DrawBoard::redoStroke()
{
    if (undoneStrokes.isEmpty())
        return;
    strokes.append(undoneStrokes.takeLast());
    markChanged();
    redrawAllStrokes();
}

void DrawBoard::redrawAllStrokes()
{
    // The layer only ever adds to what it drew: strokes taken away are drawn again from nothing.
    strokeLayer = StrokeLayer();
    showCanvasChange();
}

bool DrawBoard::hasUnsavedDrawing() const
{
    const bool pictureChanged = picture && (rotation != 0.0 || scaleX != 1.0 || scaleY != 1.0
                                            || !offsetHistory->last().isNull());
    if (strokes.isEmpty() && !pictureChanged)
        return false;
    if (changes == savedChanges)
        return false;
    // A save still being written holds the drawing as it is now: its failure is said on its own.
    return !(isSavingPicture(this) && changes == savingChanges);
}

void DrawBoard::closeEvent(QCloseEvent *event)
{
    if (!hasUnsavedDrawing()) {
        event->accept();
        return;
    }
    switch (askToSaveDrawing(this)) {
    case SaveAnswer::Save:
        // The file is written after the window has gone, if need be; a name not chosen keeps it.
        event->setAccepted(saveAs());
        return;
    case SaveAnswer::Discard:
        event->accept();
        return;
    case SaveAnswer::Cancel:
        event->ignore();
        return;
    }
}

void DrawBoard::connectPenSettings()
{
    PainterSetting *dialog = PainterSetting::sharedOrCreate(this);
    connect(dialog, SIGNAL(ack(QHash<QString,int>*)), this, SLOT(handlePainterArgs(QHash<QString,int>*)));
}

QAction *DrawBoard::addTool(QToolBar *toolBar, const QString &iconPath, const QString &name)
{
    QAction *action = toolBar->addAction(iconFrom(iconPath), QString());
    action->setObjectName(name);
    // The icon's path is kept with the action: the only display of the move mode is its icon.
    action->setData(iconPath);
    return action;
}

void DrawBoard::buildToolBar()
{
    auto *toolBar = new QToolBar(this);

    QAction *rotate = addTool(toolBar, QStringLiteral(":/resources/img/rotate.png"), QStringLiteral("rotateAction"));
    connect(rotate, &QAction::triggered, this, [this] {
        markChanged();
        rotation += quarterTurn;
        showCanvasChange();
    });

    QAction *enlarge = addTool(toolBar, QStringLiteral(":/resources/img/scale.png"), QStringLiteral("enlargeAction"));
    connect(enlarge, &QAction::triggered, this, [this] {
        markChanged();
        scaleY *= scaleStep;
        scaleX *= scaleStep;
        showCanvasChange();
    });

    QAction *shrink = addTool(toolBar, QStringLiteral(":/resources/img/scale_s.png"), QStringLiteral("shrinkAction"));
    connect(shrink, &QAction::triggered, this, [this] {
        markChanged();
        scaleY /= scaleStep;
        scaleX /= scaleStep;
        showCanvasChange();
    });

    moveAction = addTool(toolBar, moveIconPath, QStringLiteral("moveAction"));
    connect(moveAction, &QAction::triggered, this, [this] { switchMoveMode(); });
    QAction *const moveTool = moveAction;
    connect(this, &DrawBoard::actionPressed, moveTool, [moveTool](bool on) {
        const QString path = on ? moveDownIconPath : moveIconPath;
        moveTool->setIcon(iconFrom(path));
        moveTool->setData(path);
    }, Qt::DirectConnection);

    QAction *pen = addTool(toolBar, QStringLiteral(":/resources/img/painter.png"), QStringLiteral("painterAction"));
    connect(pen, &QAction::triggered, this, [this] { showPenSettings(); });

    addToolBar(Qt::LeftToolBarArea, toolBar);
}

void DrawBoard::switchMoveMode()
{
    moveMode = moveClicks % 2 == 0;
    ++moveClicks;
    emit actionPressed(moveMode);
}

void DrawBoard::showPenSettings()
{
    PainterSetting *dialog = PainterSetting::sharedOrCreate(this);
    if (dialog->isHidden())
        dialog->show();
}

void DrawBoard::mousePressEvent(QMouseEvent *event)
{
    if (moveMode) {
        pressPoint = event->pos();
        return;
    }
    strokes.append(QVector<QPoint>{event->pos()});
    // A new stroke ends what Ctrl+Y could bring back.
    undoneStrokes.clear();
    markChanged();
    showNewStrokePoints();
}

void DrawBoard::mouseMoveEvent(QMouseEvent *event)
{
    if (moveMode) {
        pictureOffset = offsetHistory->last() + event->pos() - pressPoint;
        showCanvasChange();
        return;
    }
    if (!strokes.isEmpty()) {
        strokes.last().append(event->pos());
        showNewStrokePoints();
    }
}

void DrawBoard::mouseReleaseEvent(QMouseEvent *event)
{
    if (moveMode) {
        if (pictureOffset != offsetHistory->last())
            markChanged();
        offsetHistory->append(pictureOffset);
        return;
    }
    if (!strokes.isEmpty()) {
        strokes.last().append(event->pos());
        showNewStrokePoints();
    }
}

void DrawBoard::showNewStrokePoints()
{
    update(strokeLayer.newestPointArea(strokes, penColor, penWidth, size(), devicePixelRatioF()));
}

void DrawBoard::paintCanvas(QPainter &painter) const
{
    if (picture && !picture->isNull())
        drawPicture(painter, *picture, int(rotation), scaleX, scaleY, pictureOffset);
    drawStrokes(painter, strokes, penColor, penWidth);
}

void DrawBoard::paintEvent(QPaintEvent *event)
{
    const QRegion changed = strokeLayer.update(strokes, penColor, penWidth, size(), devicePixelRatioF());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (picture && !picture->isNull())
        drawPicture(painter, *picture, int(rotation), scaleX, scaleY, pictureOffset);
    painter.drawImage(QPointF(0.0, 0.0), strokeLayer.image());
    painter.end();
    // The layer may have drawn more than this paint shows (a pen or size change redraws it all
    // while only a corner is exposed): the rest follows in the next paint.
    const QRegion unshown = changed - event->region();
    if (!unshown.isEmpty())
        update(unshown);
}

QImage DrawBoard::renderCanvas() const
{
    // Logical pixels, device pixel ratio 1: the file has the window's size as the user sees it,
    // whatever the screen's scaling.
    QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(canvas.rect(), Qt::white);
    paintCanvas(painter);
    painter.end();
    // Painted over white, every pixel is opaque: the file needs no alpha channel, which makes a
    // PNG smaller and quicker to write. The pixels themselves stay as they are.
    canvas.reinterpretAsFormat(QImage::Format_RGB32);
    return canvas;
}

void DrawBoard::openFile()
{
    openFileName = QFileDialog::getOpenFileName(nullptr, QStringLiteral("openfile"), openDir, pictureFilter);
    if (openFileName.isNull())
        return;
    openDir = QFileInfo(openFileName).path();
    openPicture(openFileName);
}

void DrawBoard::openPicture(const QString &fileName)
{
    // A newer choice wins over a load still under way.
    cancelPictureLoad();
    cancelLoad = std::make_shared<std::atomic_bool>(false);
    auto *load = new QFutureWatcher<LoadedPicture>(this);
    pictureLoad = load;
    connect(load, &QFutureWatcherBase::finished, this, [this, load, fileName] { takeLoadedPicture(load, fileName); });
    const std::shared_ptr<std::atomic_bool> cancelled = cancelLoad;
    load->setFuture(QtConcurrent::run([fileName, cancelled] {
        return loadPictureSafely(fileName, longestDecodeMs, cancelled.get());
    }));
    setCursor(Qt::BusyCursor);
}

void DrawBoard::cancelPictureLoad()
{
    if (cancelLoad)
        *cancelLoad = true;
    pictureLoad = nullptr;
}

void DrawBoard::takeLoadedPicture(QFutureWatcher<LoadedPicture> *load, const QString &fileName)
{
    load->deleteLater();
    if (load != pictureLoad)
        return; // replaced by a later open
    pictureLoad = nullptr;
    unsetCursor();
    LoadedPicture loaded = load->result();
    if (loaded.image.isNull()) {
        // The picture on the board may be the user's work of the last hour: a file that cannot be
        // read must not take its place.
        showOpenFailure(this, fileName, loaded.failure);
        emit pictureLoadFinished(false);
        return;
    }
    auto *replacement = new QPixmap(QPixmap::fromImage(std::move(loaded.image)));
    delete picture;
    picture = replacement;
    showCanvasChange();
    emit pictureLoadFinished(true);
}

void DrawBoard::save()
{
    saveAs();
}

bool DrawBoard::saveAs()
{
    if (refuseWhileSaving(this))
        return false;
    const QPointer<DrawBoard> self(this);
    const QString chosen = askSavePictureName(QStringLiteral("saveFile"), saveDir, pictureFilter);
    if (!self)
        return false;
    saveFileName = chosen;
    if (saveFileName.isNull())
        return false;
    const int held = changes;
    if (!savePictureInBackground(this, renderCanvas(), saveFileName, [this, held] { savedChanges = held; }))
        return false;
    savingChanges = held;
    saveDir = QFileInfo(saveFileName).path();
    return true;
}

void DrawBoard::handlePainterArgs(QHash<QString,int>* arg)
{
    penWidth = arg->value(QStringLiteral("width"));
    penColor.setRed(arg->value(QStringLiteral("r")));
    penColor.setGreen(arg->value(QStringLiteral("g")));
    penColor.setBlue(arg->value(QStringLiteral("b")));
    // The pen colours every stroke.
    if (!strokes.isEmpty())
        markChanged();
    showCanvasChange();
}
