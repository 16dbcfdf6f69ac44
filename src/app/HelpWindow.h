#pragma once

#include <QWidget>

class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

// The program's help: Japanese pages shipped beside the executable, with their table of
// contents on the left.
class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    THelpWindow(const QString& helpFolder, QWidget* parent = nullptr);

    // Shows the table of contents and the first page, and brings the window to the front.
    void ShowContents();

    QTreeWidget* toc = nullptr;
    QTextBrowser* browser = nullptr;

private:
    void LoadContents();
    void OpenEntry(QTreeWidgetItem* item);

    QString FFolder;
};
