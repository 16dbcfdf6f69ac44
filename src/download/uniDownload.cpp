#include "download/uniDownload.h"

#include "app/NaviSettings.h"
#include "download/HttpClient.h"
#include "download/SettingsFile.h"
#include "login/Endpoints.h"
#include "login/ProviderCatalogue.h"
#include "ui/PageBanner.h"
#include "util/Errors.h"
#include "util/Messages.h"
#include "util/Paths.h"
#include "util/TextCipher.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
constexpr int kColumnWidths[6] = {26, 145, 177, 240, 33, 0};
constexpr int kLatestRole = Qt::UserRole + 1;
constexpr int kMarkRole = Qt::UserRole + 2;
const QColor kTickedColour(252, 235, 169);

const QString kSearching = QStringLiteral("ダウンロード可能なファイルを検索中です。しばらくお待ちください。");

QPixmap markPixmap(int mark)
{
    if (mark < 0 || mark > 2)
        return {};
    // Drawn once; the grid paints them for every visible row.
    static const QPixmap marks[] = {
        RenderSvg(QStringLiteral(":/images/result_done.svg"), QSize(16, 16), qApp->devicePixelRatio()),
        RenderSvg(QStringLiteral(":/images/result_failed.svg"), QSize(16, 16), qApp->devicePixelRatio()),
        RenderSvg(QStringLiteral(":/images/result_skipped.svg"), QSize(16, 16), qApp->devicePixelRatio()),
    };
    return marks[mark];
}

// Runs the end-of-run steps however the run ends.
template <typename F> struct Finally
{
    F f;
    ~Finally() { f(); }
};
template <typename F> Finally(F) -> Finally<F>;
} // namespace

TfraDownload::TfraDownload(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent)
    : QWidget(parent), FSettings(settings), FCatalogue(catalogue)
{
    setProperty("class", QStringLiteral("page"));
    FWinInetHttpClient = new THttpClient(this);
    FWinInetHttpClient->OnProgress = [this](qint64 received, qint64 announced) {
        FWinInetHttpClientDownloadProgress(received, announced);
    };

    spSkinLinkImage1 =
        CreatePageBanner(this, QStringLiteral(":/images/banner_download.svg"), QSize(834, 100));
    lblSetsumei = CreateInstructionLabel(this, kSearching);

    spSkinGroupBox1 = new QGroupBox(QStringLiteral("お知らせ"), this);
    spSkinGroupBox1->setObjectName(QStringLiteral("spSkinGroupBox1"));
    htmlbox = new QTextBrowser(spSkinGroupBox1);
    htmlbox->setObjectName(QStringLiteral("htmlbox"));
    htmlbox->setAccessibleName(QStringLiteral("お知らせ"));
    htmlbox->setOpenExternalLinks(true);
    htmlbox->setFrameShape(QFrame::NoFrame);
    htmlbox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    htmlbox->viewport()->installEventFilter(this);
    auto* boxLayout = new QVBoxLayout(spSkinGroupBox1);
    boxLayout->setContentsMargins(1, 1, 1, 1);
    boxLayout->addWidget(htmlbox);

    grid1 = new QTableWidget(0, 6, this);
    grid1->setObjectName(QStringLiteral("grid1"));
    grid1->setAccessibleName(QStringLiteral("ダウンロード可能なファイル"));
    grid1->setHorizontalHeaderLabels({QString(), QStringLiteral("ファイル名"), QStringLiteral("データ種別"),
                                      QStringLiteral("保存先"), QStringLiteral("結果"), QString()});
    grid1->verticalHeader()->hide();
    grid1->verticalHeader()->setDefaultSectionSize(21);
    grid1->verticalHeader()->setMinimumSectionSize(21);
    grid1->horizontalHeader()->setMinimumSectionSize(0);
    grid1->horizontalHeader()->setSectionsClickable(false);
    grid1->horizontalHeader()->setHighlightSections(false);
    grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid1->setSelectionMode(QAbstractItemView::MultiSelection);
    grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid1->setWordWrap(false);
    grid1->setItemDelegate(new TGridDelegate(this));
    grid1->installEventFilter(this);
    for (int c = 0; c < 6; ++c)
        grid1->setColumnWidth(c, kColumnWidths[c]);

    const auto button = [this](const char* name, const QString& caption, const QString& icon, int iconSize) {
        auto* b = new QPushButton(QIcon(icon), caption, this);
        b->setObjectName(QLatin1String(name));
        b->setProperty("class", QStringLiteral("sideButton"));
        b->setIconSize(QSize(iconSize, iconSize));
        b->setEnabled(false);
        return b;
    };
    btnCheckAll = button("btnCheckAll", QStringLiteral("すべてチェックする"),
                         QStringLiteral(":/images/result_done.svg"), 16);
    btnUnCheckAll = button("btnUnCheckAll", QStringLiteral("すべてチェックを外す"),
                           QStringLiteral(":/images/result_failed.svg"), 16);
    btnDownload = button("btnDownload", QStringLiteral("ダウンロード開始"),
                         QStringLiteral(":/images/tb_download.svg"), 32);
    connect(btnCheckAll, &QPushButton::clicked, this, &TfraDownload::btnCheckAllClick);
    connect(btnUnCheckAll, &QPushButton::clicked, this, &TfraDownload::btnUnCheckAllClick);
    connect(btnDownload, &QPushButton::clicked, this, &TfraDownload::btnDownloadClick);
}

TfraDownload::~TfraDownload() = default;

void TfraDownload::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The list and the buttons follow the page's right and bottom edges.
    const int buttonLeft = width() - 11 - 150;
    const int listWidth = buttonLeft - 8 - 11;
    spSkinGroupBox1->setGeometry(11, 104, listWidth, 74);
    grid1->setGeometry(11, 186, listWidth, height() - 186 - 12);
    btnCheckAll->setGeometry(buttonLeft, 218, 150, 29);
    btnUnCheckAll->setGeometry(buttonLeft, 262, 150, 29);
    btnDownload->setGeometry(buttonLeft, height() - 12 - 50, 150, 50);
}

void TfraDownload::SetRowCount(int dataRows)
{
    grid1->clearContents();
    grid1->setRowCount(dataRows);
}

void TfraDownload::ResetForSearch()
{
    SetRowCount(0);
    btnCheckAll->setEnabled(false);
    btnUnCheckAll->setEnabled(false);
    btnDownload->setEnabled(false);
    FBusy = false;
    lblSetsumei->setText(kSearching);
}

void TfraDownload::SetAnnouncements(const QString& html)
{
    htmlbox->setHtml(html);
    htmlbox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    htmlbox->document()->adjustSize();
}

void TfraDownload::FWinInetHttpClientDownloadProgress(qint64 received, qint64 announced)
{
    if (!bar1)
        return;
    // A server that announces no length leaves the gauge where it is.
    if (announced > 0)
        bar1->setValue(qBound(0, int(double(received) / double(announced) * 100.0), 100));
}

void TfraDownload::BuildFileList()
{
    FWinInetHttpClient->SetCredentials(DecryptText(FCatalogue.gDownloadUser, 2),
                                       DecryptText(FCatalogue.gDownloadPass, 2));
    const QString local = FSettings.gWorkDir + QStringLiteral("settei.tmp");
    const Finally removeCopy{[&local] { QFile::remove(local); }};

    const bool newFormat = FSettings.gNewData;
    const QString address =
        ResolveAddress(DecryptText(newFormat ? FCatalogue.gSettingsUrl2 : FCatalogue.gSettingsUrl, 2));
    if (!FWinInetHttpClient->DownloadFile(address, local)) {
        ShowErrorMessage(newFormat
                             ? QStringLiteral("設定ファイル2が取得できませんでした。処理を中止します。")
                             : QStringLiteral("設定ファイルが取得できませんでした。処理を中止します。"));
        emit abortRequested();
        return;
    }
    if (bar1)
        bar1->setValue(0);
    if (!QFileInfo::exists(local))
        return;

    TSettingsFile ini;
    ini.Load(local);
    TFileListBuilder builder(ini, FSettings, Today.isValid() ? Today : QDate::currentDate());
    SetAnnouncements(builder.Announcements());
    builder.Build(ListRequest ? ListRequest() : TListRequest{});
    FCourse = builder.FCourse;
    FBaseUrl = builder.FBaseUrl;
    FFiles = builder.FFiles;
    const QStringList latest = FCourse.isEmpty()
                                   ? QStringList()
                                   : builder.ReadNewFileNames(QStringLiteral("NEW_") + FCourse.toUpper());
    ShowFileList(latest);
}

void TfraDownload::ShowFileList(const QStringList& latest)
{
    grid1->setUpdatesEnabled(false);
    if (FFiles.isEmpty()) {
        SetRowCount(0);
        lblSetsumei->setText(QStringLiteral(
            "ダウンロード可能なファイルはありません。ツールバーの中止ボタンを押してください。"));
    } else {
        SetRowCount(int(FFiles.size()));
        for (int i = 0; i < FFiles.size(); ++i) {
            const TVelm& entry = FFiles[i];
            auto* tick = new QTableWidgetItem;
            tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            tick->setCheckState(Qt::Unchecked);
            tick->setData(Qt::AccessibleTextRole, entry.FileName);
            grid1->setItem(i, 0, tick);
            auto* name = new QTableWidgetItem(entry.FileName);
            name->setData(kLatestRole, latest.contains(entry.FileName, Qt::CaseSensitive));
            grid1->setItem(i, 1, name);
            grid1->setItem(i, 2, new QTableWidgetItem(entry.KindName));
            grid1->setItem(i, 3, new QTableWidgetItem(entry.SaveDir));
            auto* result = new QTableWidgetItem(QString());
            result->setData(kMarkRole, -1);
            grid1->setItem(i, 4, result);
            grid1->setItem(i, 5, new QTableWidgetItem(entry.Url));
            for (int c = 1; c < 6; ++c)
                grid1->item(i, c)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        btnCheckAll->setEnabled(true);
        btnUnCheckAll->setEnabled(true);
        btnDownload->setEnabled(false);
        lblSetsumei->setText(
            QStringLiteral("必要なファイルにチェックをして、ダウンロード開始ボタンを押してください。"));
    }
    grid1->setUpdatesEnabled(true);
    grid1->hide();
    grid1->show();
    grid1->setFocus();
}

bool TfraDownload::IsChecked(int row) const
{
    const QTableWidgetItem* item = grid1->item(row - 1, 0);
    return item && item->checkState() == Qt::Checked;
}

void TfraDownload::SetChecked(int row, bool checked)
{
    if (QTableWidgetItem* item = grid1->item(row - 1, 0))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int TfraDownload::ResultMark(int row) const
{
    const QTableWidgetItem* item = grid1->item(row - 1, 4);
    return item ? item->data(kMarkRole).toInt() : -1;
}

void TfraDownload::SetResultMark(int row, TResultMark mark)
{
    if (QTableWidgetItem* item = grid1->item(row - 1, 4)) {
        item->setData(kMarkRole, int(mark));
        static const char* const names[] = {"完了", "失敗", "既存"};
        item->setData(Qt::AccessibleTextRole, QString::fromUtf8(names[mark]));
    }
}

bool TfraDownload::AnyChecked() const
{
    for (int r = 1; r <= grid1->rowCount(); ++r)
        if (IsChecked(r))
            return true;
    return false;
}

void TfraDownload::grid1CheckBoxClick(int row)
{
    const QModelIndex index = grid1->model()->index(row - 1, 0);
    grid1->selectionModel()->select(
        index, (IsChecked(row) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
    btnDownload->setEnabled(AnyChecked());
}

void TfraDownload::btnCheckAllClick()
{
    if (FFiles.isEmpty() || FBusy)
        return;
    for (int r = 1; r <= grid1->rowCount(); ++r)
        SetChecked(r, true);
    btnDownload->setEnabled(true);
    grid1->viewport()->update();
}

void TfraDownload::btnUnCheckAllClick()
{
    if (FFiles.isEmpty() || FBusy)
        return;
    for (int r = 1; r <= grid1->rowCount(); ++r)
        SetChecked(r, false);
    btnDownload->setEnabled(false);
    grid1->viewport()->update();
}

void TfraDownload::btnDownloadClick()
{
    if (FBusy)
        return; // one run at a time
    FBusy = true;
    FAbort = false;
    btnDownload->setEnabled(false);
    btnCheckAll->setEnabled(false);
    btnUnCheckAll->setEnabled(false);

    int ticked = 0;
    for (int r = 1; r <= grid1->rowCount() && r <= FFiles.size(); ++r) {
        FFiles[r - 1].Checked = IsChecked(r);
        ticked += FFiles[r - 1].Checked ? 1 : 0;
    }
    if (bar2) {
        bar2->setValue(0);
        bar2->setMaximum(qMax(ticked, 1));
    }

    const Finally endOfRun{[this] {
        if (bar1)
            bar1->setValue(0);
        if (bar2)
            bar2->setValue(0);
        FBusy = false;
        btnCheckAll->setEnabled(!FFiles.isEmpty());
        btnUnCheckAll->setEnabled(!FFiles.isEmpty());
        btnDownload->setEnabled(AnyChecked());
        lblSetsumei->setText(
            QStringLiteral("ダウンロードが完了しました。閉じるボタンでプログラムを終了してください。"));
        emit runFinished();
    }};
    const auto countDone = [this] {
        if (bar2)
            bar2->setValue(bar2->value() + 1);
    };

    for (int i = 0; i < FFiles.size(); ++i) {
        QCoreApplication::processEvents();
        if (FAbort)
            break;
        const TVelm entry = FFiles[i]; // a copy: the list may be rebuilt while events run
        if (!entry.Checked)
            continue;
        const int row = i + 1;
        // A name the server offers that is not a plain file name is never written anywhere.
        if (!IsPlainFileName(entry.FileName)) {
            SetChecked(row, false);
            SetResultMark(row, rmFailed);
            grid1->viewport()->update();
            countDone();
            continue;
        }
        if (entry.SaveDir.isEmpty())
            throw TVelmiraError(QStringLiteral("ディレクトリを作成できません"));
        if (!ForceDirectories(entry.SaveDir)) {
            ShowErrorMessage(entry.KindName + QStringLiteral("データの保存先フォルダがありません。"));
            countDone();
            continue;
        }
        grid1->scrollToItem(grid1->item(row - 1, 0));

        const QString target = AddPathDelimiter(entry.SaveDir) + entry.FileName;
        TResultMark mark = rmSkipped;
        if (FSettings.gOverwrite || !QFileInfo::exists(target))
            mark = FWinInetHttpClient->DownloadFile(entry.Url, target) ? rmDone : rmFailed;
        SetChecked(row, false);
        SetResultMark(row, mark);
        grid1->viewport()->update();
        countDone();
    }
}

bool TfraDownload::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == htmlbox->viewport() && event->type() == QEvent::Wheel) {
        // A notch scrolls the announcements by the system's wheel lines plus one, while they
        // scroll at all; otherwise the wheel is left to the page.
        QScrollBar* bar = htmlbox->verticalScrollBar();
        if (htmlbox->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff || bar->maximum() <= 0) {
            event->ignore();
            return true;
        }
        const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
        const int lines = QApplication::wheelScrollLines() + 1;
        for (int i = 0; i < qAbs(notches) * lines; ++i)
            bar->triggerAction(notches < 0 ? QAbstractSlider::SliderSingleStepAdd
                                           : QAbstractSlider::SliderSingleStepSub);
        return true;
    }
    if (watched == grid1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space && !FBusy) {
        // The keyboard ticks the current row as the mouse does.
        const int row = grid1->currentRow() + 1;
        if (row >= 1 && row <= grid1->rowCount()) {
            SetChecked(row, !IsChecked(row));
            grid1CheckBoxClick(row);
            grid1->viewport()->update();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

TGridDelegate::TGridDelegate(TfraDownload* page) : QStyledItemDelegate(page), FPage(page) {}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.state &= ~QStyle::State_Selected; // the selection itself is not drawn
    opt.state &= ~QStyle::State_HasFocus;
    const bool ticked = FPage->IsChecked(index.row() + 1);
    painter->fillRect(opt.rect, ticked ? kTickedColour : QColor(Qt::white));
    opt.backgroundBrush = Qt::NoBrush;

    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    switch (index.column()) {
    case 0: {
        QStyleOptionButton box;
        box.rect = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, opt.widget);
        box.rect.moveCenter(opt.rect.center());
        box.state = QStyle::State_Enabled | (ticked ? QStyle::State_On : QStyle::State_Off);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, opt.widget);
        break;
    }
    case 1: {
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const QString text = index.data().toString();
        const QRect textRect = opt.rect.adjusted(4, 0, -2, 0);
        painter->setPen(Qt::black);
        painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text);
        if (index.data(kLatestRole).toBool()) {
            static const QPixmap picture =
                RenderSvg(QStringLiteral(":/images/new.svg"), QSize(28, 11), qApp->devicePixelRatio());
            const int x = textRect.left() + opt.fontMetrics.horizontalAdvance(text) + 4;
            painter->drawPixmap(x, opt.rect.top() + (opt.rect.height() - 11) / 2, picture);
        }
        break;
    }
    case 4: {
        const QPixmap mark = markPixmap(index.data(kMarkRole).toInt());
        if (!mark.isNull())
            painter->drawPixmap(opt.rect.left() + (opt.rect.width() - 16) / 2,
                                opt.rect.top() + (opt.rect.height() - 16) / 2, mark);
        break;
    }
    default:
        opt.palette.setColor(QPalette::Text, Qt::black);
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        break;
    }
}

bool TGridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    Q_UNUSED(model);
    Q_UNUSED(option);
    // Only the check boxes can be changed, and not during a run.
    if (index.column() != 0 || FPage->FBusy)
        return event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonDblClick;
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int row = index.row() + 1;
        FPage->SetChecked(row, !FPage->IsChecked(row));
        FPage->grid1CheckBoxClick(row);
        FPage->grid1->viewport()->update();
        return true;
    }
    return event->type() == QEvent::MouseButtonDblClick;
}
