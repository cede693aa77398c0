#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The small window in which the pen's width and colour are set. One instance serves every drawing
// board of the process; confirming hands the values to all of them at once through the settings
// record carried by `ack`. It is a plain top-level window, so the boards stay usable while it is
// open.
class PainterSetting : public QWidget
{
    Q_OBJECT

public:
    // The creator is not taken as parent: the dialog must outlive the board that made it.
    explicit PainterSetting(QWidget *creator = nullptr);
    ~PainterSetting() override;

    // The process-wide dialog, null until a board has created it.
    static PainterSetting *shared();
    // The process-wide dialog, created on first use.
    static PainterSetting *sharedOrCreate(QWidget *creator);

    QColor chosenColor() const { return penColor; }
    int confirmedWidth() const { return penWidth; }
    const QHash<QString, int> &record() const { return *painterArgs; }

signals:
    void ack(QHash<QString,int>* args);

private:
    void buildWidgets();
    void chooseColor();
    void confirm();

    QColor penColor = QColor(0, 0, 0, 255);
    int penWidth = 0;
    QHash<QString, int> *painterArgs = nullptr;

    QLineEdit *widthEdit = nullptr;
    QLabel *colorSwatch = nullptr;
    QPushButton *colorButton = nullptr;
    QPushButton *confirmButton = nullptr;
};
