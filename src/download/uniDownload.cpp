#include "download/uniDownload.h"

#include "ui/PageBanner.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
constexpr int kColumnWidths[6] = {26, 145, 177, 240, 33, 0};
}

TfraDownload::TfraDownload(QWidget* parent) : QWidget(parent)
{
    setProperty("class", QStringLiteral("page"));
    spSkinLinkImage1 = CreatePageBanner(this, QStringLiteral(":/images/banner_download.svg"), QSize(758, 100));
    lblSetsumei =
        CreateInstructionLabel(this, QStringLiteral("ダウンロード可能なファイルを検索中です。しばらくお待ちください。"));

    spSkinGroupBox1 = new QGroupBox(QStringLiteral("お知らせ"), this);
    spSkinGroupBox1->setObjectName(QStringLiteral("spSkinGroupBox1"));
    htmlbox = new QTextBrowser(spSkinGroupBox1);
    htmlbox->setObjectName(QStringLiteral("htmlbox"));
    htmlbox->setAccessibleName(QStringLiteral("お知らせ"));
    htmlbox->setOpenLinks(false);
    htmlbox->setFrameShape(QFrame::NoFrame);
    auto* boxLayout = new QVBoxLayout(spSkinGroupBox1);
    boxLayout->setContentsMargins(1, 1, 1, 1);
    boxLayout->addWidget(htmlbox);

    grid1 = new QTableWidget(1, 6, this);
    grid1->setObjectName(QStringLiteral("grid1"));
    grid1->setAccessibleName(QStringLiteral("ダウンロード可能なファイル"));
    grid1->setRowCount(0);
    grid1->setHorizontalHeaderLabels({QString(), QStringLiteral("ファイル名"), QStringLiteral("データ種別"),
                                      QStringLiteral("保存先"), QStringLiteral("結果"), QString()});
    grid1->verticalHeader()->hide();
    grid1->verticalHeader()->setDefaultSectionSize(21);
    grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < 6; ++c)
        grid1->setColumnWidth(c, kColumnWidths[c]);

    const auto button = [this](const char* name, const QString& caption, const QString& icon) {
        auto* b = new QPushButton(QIcon(icon), caption, this);
        b->setObjectName(QLatin1String(name));
        b->setEnabled(false);
        return b;
    };
    btnCheckAll = button("btnCheckAll", QStringLiteral("すべてチェックする"), QStringLiteral(":/images/result_done.svg"));
    btnUnCheckAll =
        button("btnUnCheckAll", QStringLiteral("すべてチェックを外す"), QStringLiteral(":/images/result_failed.svg"));
    btnDownload = button("btnDownload", QStringLiteral("ダウンロード開始"), QStringLiteral(":/images/tb_download.svg"));
    btnDownload->setIconSize(QSize(32, 32));
}

void TfraDownload::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The list and the buttons follow the page's right and bottom edges.
    const int right = width() - 11;
    const int buttonLeft = right - 150;
    spSkinGroupBox1->setGeometry(11, 104, buttonLeft - 8 - 11, 70);
    grid1->setGeometry(11, 182, buttonLeft - 8 - 11, height() - 182 - 12);
    btnCheckAll->setGeometry(buttonLeft, 214, 150, 29);
    btnUnCheckAll->setGeometry(buttonLeft, 258, 150, 29);
    btnDownload->setGeometry(buttonLeft, height() - 12 - 50, 150, 50);
}
