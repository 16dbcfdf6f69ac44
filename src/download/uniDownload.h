#pragma once

#include "download/FileList.h"

#include <QDate>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTextBrowser;
class THttpClient;
class TProviderCatalogue;
struct TNaviSettings;

enum TResultMark {
    rmDone = 0,    // transferred
    rmFailed = 1,  // the transfer failed
    rmSkipped = 2, // already there and overwriting is off
};

// The download page: the service's announcements, the list of offered files with check boxes,
// and the buttons that tick rows and start a transfer run.
class TfraDownload : public QWidget
{
    Q_OBJECT
public:
    TfraDownload(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent = nullptr);
    ~TfraDownload() override;

    QLabel* spSkinLinkImage1 = nullptr;
    QLabel* lblSetsumei = nullptr;
    QGroupBox* spSkinGroupBox1 = nullptr;
    QTextBrowser* htmlbox = nullptr;
    QTableWidget* grid1 = nullptr;
    QPushButton* btnCheckAll = nullptr;
    QPushButton* btnUnCheckAll = nullptr;
    QPushButton* btnDownload = nullptr;
    THttpClient* FWinInetHttpClient = nullptr;

    // The main window's gauges: the file in transfer and the files of the run.
    QProgressBar* bar1 = nullptr;
    QProgressBar* bar2 = nullptr;
    // What the start page asks for, read when the list is built.
    std::function<TListRequest()> ListRequest;
    // The day the date classes are reckoned from; today when not set.
    QDate Today;

    bool FBusy = false;
    bool FAbort = false;
    QString FCourse;
    QString FBaseUrl;
    QList<TVelm> FFiles;

    // The hand-off from a completed login: empty list, buttons off, searching text.
    void ResetForSearch();
    void BuildFileList();
    void ShowFileList(const QStringList& latest);
    void SetAnnouncements(const QString& html);
    bool AnyChecked() const;
    bool IsChecked(int row) const; // data row, from 1
    void SetChecked(int row, bool checked);
    int ResultMark(int row) const; // -1 while there is none

public slots:
    void btnCheckAllClick();
    void btnUnCheckAllClick();
    void btnDownloadClick();
    void grid1CheckBoxClick(int row);

signals:
    // The list builder gave up: the main window runs Abort.
    void abortRequested();
    // A transfer run has ended: the main window offers Close again.
    void runFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FWinInetHttpClientDownloadProgress(qint64 received, qint64 announced);
    void SetResultMark(int row, TResultMark mark);
    void SetRowCount(int dataRows);

    TNaviSettings& FSettings;
    TProviderCatalogue& FCatalogue;
};

// Draws the grid's cells: the centred check box, the NEW picture after a latest file's name,
// the centred result mark, ticked rows in their colour, no selection highlight.
class TGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TGridDelegate(TfraDownload* page);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    TfraDownload* FPage;
};
