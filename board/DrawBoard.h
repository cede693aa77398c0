#pragma once

#include "board/StrokeLayer.h"

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class PointHistory;
class QAction;
class QImage;
class QPainter;
class QPixmap;
class QToolBar;
struct LoadedPicture;
template<typename T> class QFutureWatcher;

// The drawing board: one picture that can be opened, turned in quarter turns, scaled by 1.5,
// dragged about and drawn on with a freehand pen, and saved with the strokes as a new picture.
// It paints straight onto its own surface (no central widget), and only what a change touched:
// a new pen point repaints its own segment, from a layer that keeps the strokes drawn. An idle
// board does nothing at all. Pictures are decoded on a worker thread, so a large one does not stop
// the window.
class DrawBoard : public QMainWindow
{
    Q_OBJECT

public:
    explicit DrawBoard(QWidget *parent = nullptr);
    ~DrawBoard() override;

    // Starts putting the picture in the file on the canvas, as the open dialog does with the file
    // chosen; pictureLoadFinished() tells when it is done. A file that cannot be read leaves the
    // current picture and shows why.
    void openPicture(const QString &fileName);
    bool isLoadingPicture() const { return pictureLoad != nullptr; }

    // The canvas as save() writes it: the window's logical size, over white.
    QImage renderCanvas() const;

    const QVector<QVector<QPoint>> &penStrokes() const { return strokes; }
    // Strokes or a turned, scaled or moved picture that no save (finished or under way) holds.
    bool hasUnsavedDrawing() const;
    double pictureRotation() const { return rotation; }
    double pictureScaleX() const { return scaleX; }
    double pictureScaleY() const { return scaleY; }
    bool isMoveMode() const { return moveMode; }
    QPoint currentPictureOffset() const { return pictureOffset; }
    QPoint committedPictureOffset() const;
    const QPixmap *currentPicture() const { return picture; }
    QColor currentPenColor() const { return penColor; }
    int currentPenWidth() const { return penWidth; }

signals:
    void actionPressed(bool);
    // An open has ended: the new picture is on the canvas (true), or the old one stayed (false).
    void pictureLoadFinished(bool loaded);

public slots:
    void save();
    // Ctrl+Z takes the last stroke away, Ctrl+Y brings it back.
    void undoStroke();
    void redoStroke();
    void openFile();
    void handlePainterArgs(QHash<QString,int>* arg);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // A board with unsaved drawing asks first: 保存, 不保存 or 取消.
    void closeEvent(QCloseEvent *event) override;

private:
    // A change of the picture, its transform or the pen: the whole canvas looks different.
    void showCanvasChange() { update(); }
    // Points added to the strokes: only their new segments look different.
    void showNewStrokePoints();

    void buildFileMenu();
    void addStrokeKeys();
    bool saveAs();
    void markChanged() { ++changes; }
    void redrawAllStrokes();
    void connectPenSettings();
    void buildToolBar();
    QAction *addTool(QToolBar *toolBar, const QString &iconPath, const QString &name);
    void switchMoveMode();
    void showPenSettings();
    void paintCanvas(QPainter &painter) const;
    void takeLoadedPicture(QFutureWatcher<LoadedPicture> *load, const QString &fileName);
    void cancelPictureLoad();

    QString openFileName;
    QString openDir;
    QString saveFileName;
    QString saveDir;
    QVector<QVector<QPoint>> strokes;
    QVector<QVector<QPoint>> undoneStrokes; // the last taken away last
    // Changes of the drawing so far, and how many of them the last finished save and the save
    // under way hold.
    int changes = 0;
    int savedChanges = 0;
    int savingChanges = 0;
    double rotation = 0.0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    int moveClicks = 0;
    bool moveMode = false;
    QPixmap *picture = nullptr;
    PointHistory *offsetHistory = nullptr;
    QPoint pressPoint;
    QPoint pictureOffset;
    QColor penColor = QColor(0, 0, 0, 255);
    int penWidth = 2;

    QAction *moveAction = nullptr;
    StrokeLayer strokeLayer;
    QFutureWatcher<LoadedPicture> *pictureLoad = nullptr; // the open under way, if any
    std::shared_ptr<std::atomic_bool> cancelLoad;          // tells its worker to stop
};
