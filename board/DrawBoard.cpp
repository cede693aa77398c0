#include "DrawBoard.h"

#include "common/RepaintPacer.h"
#include "common/SafeSave.h"
#include "board/Canvas.h"
#include "board/PictureLoader.h"
#include "board/PointHistory.h"
#include "settings/PainterSetting.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

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
    // The board repaints continuously, but a paint that would show the same canvas again is
    // skipped: an idle board then costs next to nothing, whatever it holds.
    , repaintPacer(new RepaintPacer(this, [this] {
        return canvasState() == paintedState ? QRegion() : QRegion(rect());
    }))
{
    offsetHistory->append(QPoint(0, 0));
    resize(startWidth, startHeight);
    buildFileMenu();
    connectPenSettings();
    buildToolBar();
}

DrawBoard::~DrawBoard()
{
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
    connect(rotate, &QAction::triggered, this, [this] { rotation += quarterTurn; });

    QAction *enlarge = addTool(toolBar, QStringLiteral(":/resources/img/scale.png"), QStringLiteral("enlargeAction"));
    connect(enlarge, &QAction::triggered, this, [this] {
        scaleY *= scaleStep;
        scaleX *= scaleStep;
    });

    QAction *shrink = addTool(toolBar, QStringLiteral(":/resources/img/scale_s.png"), QStringLiteral("shrinkAction"));
    connect(shrink, &QAction::triggered, this, [this] {
        scaleY /= scaleStep;
        scaleX /= scaleStep;
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
}

void DrawBoard::mouseMoveEvent(QMouseEvent *event)
{
    if (moveMode) {
        pictureOffset = offsetHistory->last() + event->pos() - pressPoint;
        return;
    }
    if (!strokes.isEmpty())
        strokes.last().append(event->pos());
}

void DrawBoard::mouseReleaseEvent(QMouseEvent *event)
{
    if (moveMode) {
        offsetHistory->append(pictureOffset);
        return;
    }
    if (!strokes.isEmpty())
        strokes.last().append(event->pos());
}

void DrawBoard::paintCanvas(QPainter &painter) const
{
    if (picture && !picture->isNull())
        drawPicture(painter, *picture, int(rotation), scaleX, scaleY, pictureOffset);
    drawStrokes(painter, strokes, penColor, penWidth);
}

bool DrawBoard::CanvasState::operator==(const CanvasState &other) const
{
    return strokeCount == other.strokeCount && lastStrokeLength == other.lastStrokeLength
           && rotation == other.rotation && scaleX == other.scaleX && scaleY == other.scaleY
           && pictureOffset == other.pictureOffset && pictureKey == other.pictureKey
           && penColor == other.penColor && penWidth == other.penWidth && size == other.size;
}

DrawBoard::CanvasState DrawBoard::canvasState() const
{
    CanvasState state;
    state.strokeCount = strokes.size();
    state.lastStrokeLength = strokes.isEmpty() ? 0 : strokes.last().size();
    state.rotation = rotation;
    state.scaleX = scaleX;
    state.scaleY = scaleY;
    state.pictureOffset = pictureOffset;
    state.pictureKey = picture ? picture->cacheKey() : 0;
    state.penColor = penColor.rgba();
    state.penWidth = penWidth;
    state.size = size();
    return state;
}

void DrawBoard::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCanvas(painter);
    // Only a paint of the whole window has put this state on screen; an exposed corner has not.
    if ((QRegion(rect()) - event->region()).isEmpty())
        paintedState = canvasState();
    // The board shows every change of its state at the next paint, so a paint always asks for
    // the next one, paced to the display instead of as fast as the event loop turns.
    repaintPacer->scheduleNextPaint();
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
    auto *loaded = new QPixmap(loadPictureSafely(fileName));
    delete picture;
    picture = loaded;
}

void DrawBoard::save()
{
    saveFileName = QFileDialog::getSaveFileName(nullptr, QStringLiteral("saveFile"), saveDir, pictureFilter);
    if (saveFileName.isNull())
        return;
    savePictureSafely(renderCanvas(), saveFileName);
    saveDir = QFileInfo(saveFileName).path();
}

void DrawBoard::handlePainterArgs(QHash<QString,int>* arg)
{
    penWidth = arg->value(QStringLiteral("width"));
    penColor.setRed(arg->value(QStringLiteral("r")));
    penColor.setGreen(arg->value(QStringLiteral("g")));
    penColor.setBlue(arg->value(QStringLiteral("b")));
}
