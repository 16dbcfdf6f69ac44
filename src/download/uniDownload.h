#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTextBrowser;

// The download page: the service's announcements, the list of offered files with check boxes,
// and the buttons that tick rows and start a transfer run.
class TfraDownload : public QWidget
{
    Q_OBJECT
public:
    explicit TfraDownload(QWidget* parent = nullptr);

    QLabel* spSkinLinkImage1 = nullptr;
    QLabel* lblSetsumei = nullptr;
    QGroupBox* spSkinGroupBox1 = nullptr;
    QTextBrowser* htmlbox = nullptr;
    QTableWidget* grid1 = nullptr;
    QPushButton* btnCheckAll = nullptr;
    QPushButton* btnUnCheckAll = nullptr;
    QPushButton* btnDownload = nullptr;

    bool FBusy = false;
    bool FAbort = false;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
