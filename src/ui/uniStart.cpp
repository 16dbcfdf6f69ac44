#include "ui/uniStart.h"

#include "app/NaviSettings.h"
#include "ui/StartButton.h"

#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <algorithm>

namespace {
constexpr int PageWidth = 834;
constexpr int PageHeight = 596;

constexpr QRect HeaderRect(0, 0, PageWidth, 64);
constexpr QSize ModeSize(300, 49);
constexpr int ModeTop = 80;
constexpr int PairLeft = 105; // the mode pair and the format pair line up
constexpr int PairGap = 24;

constexpr QRect KindBoxRect(16, 145, PageWidth - 32, 310);
constexpr QSize ToggleSize(177, 30);
constexpr int ColumnLeft[3] = {67, 312, 557};
constexpr int FirstRowTop = 36;
constexpr int RowPitch = 57;

constexpr QRect FormatBoxRect(16, 467, PageWidth - 32, 113);
constexpr QSize FormatSize(300, 44);
constexpr int FormatTop = 44;

// Where each toggle stands, in layout order (top to bottom, then left to right); Tab follows it.
struct TCell
{
    const char* Code;
    int Column;
    int Row;
};
constexpr TCell KindCells[DataKindCount] = {
    {"hb", 0, 0},   {"hz", 0, 1},    {"dkis", 0, 2}, {"ekyu", 0, 3}, {"gsyu", 0, 4},
    {"fket", 1, 0}, {"fket5", 1, 1}, {"nd", 1, 2},   {"jb", 1, 3},   {"mb", 1, 4},
    {"ib", 2, 0},   {"kd", 2, 1},    {"lb", 2, 2},
};
constexpr TCell UndoCell = {"", 2, 4};

QPoint cellPos(const TCell& cell)
{
    return {ColumnLeft[cell.Column], FirstRowTop + cell.Row * RowPitch};
}

TStartButton* makeButton(const char* name, const QString& caption, const char* styleClass, QWidget* parent)
{
    auto* button = new TStartButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setProperty("class", QLatin1String(styleClass));
    return button;
}
} // namespace

TfraStart::TfraStart(TNaviSettings& settings, QWidget* parent) : QWidget(parent), FSettings(settings)
{
    // Fills the main window's page area; the controls keep their places from the top.
    setMinimumSize(PageWidth, PageHeight);

    imgHeader = new QLabel(this);
    imgHeader->setObjectName(QStringLiteral("imgHeader"));
    imgHeader->setGeometry(HeaderRect);
    imgHeader->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Pure decoration: without the picture the strip is left to the style sheet.
    const QString headerPicture = QStringLiteral(":/images/header_start.svg");
    if (QFile::exists(headerPicture))
        imgHeader->setPixmap(QIcon(headerPicture).pixmap(HeaderRect.size(), devicePixelRatioF()));

    auto* all =
        makeButton("radAll", QString::fromUtf8("最新データをすべてダウンロードする"), "modeButton", this);
    auto* select = makeButton("radSelect", QString::fromUtf8("データ種別を選択してダウンロードする"),
                              "modeButton", this);
    all->setGeometry(QRect(QPoint(PairLeft, ModeTop), ModeSize));
    select->setGeometry(QRect(QPoint(PairLeft + ModeSize.width() + PairGap, ModeTop), ModeSize));
    all->setChecked(true);
    radAll = all;
    radSelect = select;
    FModeGroup = new QButtonGroup(this);
    FModeGroup->addButton(radAll);
    FModeGroup->addButton(radSelect);

    grpDataKind = new QGroupBox(
        QString::fromUtf8("データ種別（必要なデータのボタンを押した状態にしてください）"), this);
    grpDataKind->setObjectName(QStringLiteral("grpDataKind"));
    grpDataKind->setGeometry(KindBoxRect);

    std::array<TStartButton*, DataKindCount> toggles{};
    std::array<QPushButton*, DataKindCount> layoutOrder{};
    for (int n = 0; n < DataKindCount; ++n) {
        const TCell& cell = KindCells[n];
        const int i = DataKindIndex(QLatin1String(cell.Code));
        const QByteArray name = QByteArray("chk_") + cell.Code;
        auto* toggle =
            makeButton(name.constData(), DataKinds[size_t(i)].caption(), "kindToggle", grpDataKind);
        toggle->setGeometry(QRect(cellPos(cell), ToggleSize));
        toggle->setEnabled(false);
        toggles[size_t(i)] = toggle;
        chk[size_t(i)] = toggle;
        layoutOrder[size_t(n)] = toggle;
    }

    btnUndo = new QPushButton(QString::fromUtf8("すべてオフの状態に戻す"), grpDataKind);
    btnUndo->setObjectName(QStringLiteral("btnUndo"));
    btnUndo->setAccessibleName(btnUndo->text());
    btnUndo->setProperty("class", QStringLiteral("linkButton"));
    btnUndo->setProperty("webStyle", true);
    btnUndo->setFlat(true);
    btnUndo->setCursor(Qt::PointingHandCursor);
    btnUndo->setGeometry(QRect(cellPos(UndoCell), ToggleSize));
    btnUndo->setEnabled(false);

    grpDataFormat = new QGroupBox(QString::fromUtf8("データ形式(必要な形式を選択してください)"), this);
    grpDataFormat->setObjectName(QStringLiteral("grpDataFormat"));
    grpDataFormat->setGeometry(FormatBoxRect);
    const int formatLeft = PairLeft - FormatBoxRect.left();
    auto* newData =
        makeButton("radNewData", QString::fromUtf8("新データ(RV3形式)"), "formatButton", grpDataFormat);
    auto* oldData =
        makeButton("radOldData", QString::fromUtf8("旧データ(RV2形式)"), "formatButton", grpDataFormat);
    newData->setGeometry(QRect(QPoint(formatLeft, FormatTop), FormatSize));
    oldData->setGeometry(QRect(QPoint(formatLeft + FormatSize.width() + PairGap, FormatTop), FormatSize));
    newData->setChecked(true);
    radNewData = newData;
    radOldData = oldData;
    FFormatGroup = new QButtonGroup(this);
    FFormatGroup->addButton(radNewData);
    FFormatGroup->addButton(radOldData);

    FRefreshOrder[0] = all;
    FRefreshOrder[1] = select;
    for (int i = 0; i < DataKindCount; ++i)
        FRefreshOrder[size_t(2 + i)] = toggles[size_t(i)];
    FRefreshOrder[StartButtonCount] = newData;
    FRefreshOrder[StartButtonCount + 1] = oldData;

    QWidget* previous = radSelect;
    setTabOrder(radAll, radSelect);
    for (QPushButton* toggle : layoutOrder) {
        setTabOrder(previous, toggle);
        previous = toggle;
    }
    setTabOrder(previous, btnUndo);
    setTabOrder(btnUndo, radNewData);
    setTabOrder(radNewData, radOldData);

    // Handlers listen to clicks only, so setting down states from code never runs them.
    connect(radAll, &QPushButton::clicked, this, &TfraStart::radSelectClick);
    connect(radSelect, &QPushButton::clicked, this, &TfraStart::radSelectClick);
    connect(radNewData, &QPushButton::clicked, this, &TfraStart::radNewDataClick);
    connect(btnUndo, &QPushButton::clicked, this, &TfraStart::btnUndoClick);
}

TStartButtons TfraStart::DownStates() const
{
    TStartButtons states{};
    states[0] = radAll->isChecked();
    states[1] = radSelect->isChecked();
    for (int i = 0; i < DataKindCount; ++i)
        states[size_t(2 + i)] = chk[size_t(i)]->isChecked();
    return states;
}

void TfraStart::SetDownStates(const TStartButtons& states)
{
    // In stored order. The mode group keeps one of its pair down: releasing the down one is
    // refused, and a later button set down wins.
    radAll->setChecked(states[0]);
    radSelect->setChecked(states[1]);
    for (int i = 0; i < DataKindCount; ++i)
        chk[size_t(i)]->setChecked(states[size_t(2 + i)]);
}

void TfraStart::SetFormatButtons(bool newData)
{
    (newData ? radNewData : radOldData)->setChecked(true);
}

bool TfraStart::AnyKindDown() const
{
    return std::any_of(chk.begin(), chk.end(), [](const QPushButton* b) { return b->isChecked(); });
}

void TfraStart::radSelectClick()
{
    const bool selecting = radSelect->isChecked();
    for (int i = 0; i < DataKindCount; ++i) {
        QPushButton* toggle = chk[size_t(i)];
        if (!selecting)
            toggle->setEnabled(false);
        else if (!DataKinds[size_t(i)].NewFormatOnly || radNewData->isChecked())
            toggle->setEnabled(true);
        // an old-format-only state leaves the new-format toggle as it is
    }
    btnUndo->setEnabled(selecting);
    setWebStyle(selecting);
}

void TfraStart::radNewDataClick()
{
    FSettings.gNewData = true;
    if (!radSelect->isChecked())
        return;
    for (int i = 0; i < DataKindCount; ++i)
        if (DataKinds[size_t(i)].NewFormatOnly)
            chk[size_t(i)]->setEnabled(true);
}

void TfraStart::radOldDataClick()
{
    FSettings.gNewData = false;
    for (int i = 0; i < DataKindCount; ++i) {
        if (!DataKinds[size_t(i)].NewFormatOnly)
            continue;
        chk[size_t(i)]->setChecked(false);
        chk[size_t(i)]->setEnabled(false);
    }
}

void TfraStart::btnUndoClick()
{
    for (QPushButton* toggle : chk)
        toggle->setChecked(false);
}

void TfraStart::RefreshStartButtons()
{
    for (TStartButton* button : FRefreshOrder)
        if (!button->isChecked())
            button->resetHover();
}

void TfraStart::setWebStyle(bool on)
{
    btnUndo->setProperty("webStyle", on);
    // Dynamic properties are read by the style sheet only when the widget is polished again.
    btnUndo->style()->unpolish(btnUndo);
    btnUndo->style()->polish(btnUndo);
    btnUndo->update();
}
