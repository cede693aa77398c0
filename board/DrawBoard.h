#pragma once

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

class PointHistory;
class QAction;
class QImage;
class QPainter;
class QPixmap;
class QToolBar;
class RepaintPacer;

// The drawing board: one picture that can be opened, turned in quarter turns, scaled by 1.5,
// dragged about and drawn on with a freehand pen, and saved with the strokes as a new picture.
// It paints straight onto its own surface (no central widget) and repaints continuously, so every
// change of its state shows at the next paint. Closing it only hides it.
class DrawBoard : public QMainWindow
{
    Q_OBJECT

public:
    explicit DrawBoard(QWidget *parent = nullptr);
    ~DrawBoard() override;

    // Puts the picture in the file on the canvas, as the open dialog does with the file chosen.
    void openPicture(const QString &fileName);

    // The canvas as save() writes it: the window's logical size, over white.
    QImage renderCanvas() const;

    const QVector<QVector<QPoint>> &penStrokes() const { return strokes; }
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

public slots:
    void save();
    void openFile();
    void handlePainterArgs(QHash<QString,int>* arg);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What the canvas shows depends on nothing else. Strokes only ever grow at their end, so
    // their count and the last one's length tell whether any point was added.
    struct CanvasState
    {
        int strokeCount = 0;
        int lastStrokeLength = 0;
        double rotation = 0.0;
        double scaleX = 1.0;
        double scaleY = 1.0;
        QPoint pictureOffset;
        qint64 pictureKey = 0;
        QRgb penColor = 0;
        int penWidth = 0;
        QSize size;

        bool operator==(const CanvasState &other) const;
    };
    CanvasState canvasState() const;

    void buildFileMenu();
    void connectPenSettings();
    void buildToolBar();
    QAction *addTool(QToolBar *toolBar, const QString &iconPath, const QString &name);
    void switchMoveMode();
    void showPenSettings();
    void paintCanvas(QPainter &painter) const;

    QString openFileName;
    QString openDir;
    QString saveFileName;
    QString saveDir;
    QVector<QVector<QPoint>> strokes;
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
    RepaintPacer *repaintPacer = nullptr;
    CanvasState paintedState; // the state the window last showed in full
};
