#include "PainterSetting.h"

#include "common/ProgramTitle.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

PainterSetting *sharedDialog = nullptr;

constexpr int smallestSwatchWidth = 20;

QString swatchStyle(const QColor &color)
{
    return QStringLiteral("QLabel{background-color:rgb(%1,%2,%3)}")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue());
}

} // namespace

PainterSetting::PainterSetting(QWidget *creator)
    : QWidget(nullptr)
    , painterArgs(new QHash<QString, int>)
{
    Q_UNUSED(creator)
    buildWidgets();
    setWindowTitle(programTitle());

    connect(colorButton, &QPushButton::pressed, colorButton, [this] { chooseColor(); });
    connect(confirmButton, &QPushButton::pressed, confirmButton, [this] { confirm(); });
}

PainterSetting::~PainterSetting()
{
    delete painterArgs;
    if (sharedDialog == this)
        sharedDialog = nullptr;
}

PainterSetting *PainterSetting::shared()
{
    return sharedDialog;
}

PainterSetting *PainterSetting::sharedOrCreate(QWidget *creator)
{
    if (!sharedDialog)
        sharedDialog = new PainterSetting(creator);
    return sharedDialog;
}

void PainterSetting::buildWidgets()
{
    auto *sizeLabel = new QLabel(QStringLiteral("画笔大小:"), this);
    widthEdit = new QLineEdit(this);
    widthEdit->setObjectName(QStringLiteral("widthEdit"));
    auto *colorLabel = new QLabel(QStringLiteral("画笔颜色:"), this);
    colorSwatch = new QLabel(this);
    colorSwatch->setObjectName(QStringLiteral("colorSwatch"));
    colorSwatch->setStyleSheet(swatchStyle(penColor));
    colorSwatch->setMinimumWidth(smallestSwatchWidth);
    colorButton = new QPushButton(QStringLiteral("选择颜色"), this);
    colorButton->setObjectName(QStringLiteral("colorButton"));
    confirmButton = new QPushButton(QStringLiteral("确认"), this);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));

    auto *settingsRow = new QHBoxLayout;
    settingsRow->addWidget(sizeLabel, 1);
    settingsRow->addWidget(widthEdit, 1);
    settingsRow->addWidget(colorLabel, 1);
    settingsRow->addWidget(colorSwatch, 1);
    settingsRow->addWidget(colorButton, 1);

    auto *confirmRow = new QHBoxLayout;
    confirmRow->addStretch(1);
    confirmRow->addWidget(confirmButton, 2);
    confirmRow->addStretch(1);

    auto *rows = new QVBoxLayout(this);
    rows->addLayout(settingsRow, 0);
    rows->addLayout(confirmRow, 0);
}

void PainterSetting::chooseColor()
{
    // Always starts on black rather than the current colour; a cancelled chooser gives an invalid
    // colour, whose components read 0, so cancelling counts as choosing black.
    penColor = QColorDialog::getColor(Qt::black, this, QString());
    colorSwatch->setStyleSheet(swatchStyle(penColor));
}

void PainterSetting::confirm()
{
    penWidth = widthEdit->text().toInt(nullptr, 10);
    painterArgs->insert(QStringLiteral("width"), penWidth);
    painterArgs->insert(QStringLiteral("r"), penColor.red());
    painterArgs->insert(QStringLiteral("g"), penColor.green());
    painterArgs->insert(QStringLiteral("b"), penColor.blue());
    emit ack(painterArgs);
    close();
}
