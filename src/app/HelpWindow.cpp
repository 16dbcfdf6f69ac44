#include "app/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

THelpWindow::THelpWindow(const QString& helpFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), FFolder(helpFolder)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Velmira 2 の ヘルプ"));
    resize(820, 600);

    toc = new QTreeWidget(this);
    toc->setObjectName(QStringLiteral("helpContents"));
    toc->setAccessibleName(QStringLiteral("目次"));
    toc->setHeaderHidden(true);
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    browser->setSearchPaths({FFolder});
    // One style for every page.
    QFile css(QDir(FFolder).filePath(QStringLiteral("help.css")));
    if (css.open(QIODevice::ReadOnly | QIODevice::Text))
        browser->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(toc);
    splitter->addWidget(browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 560});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(toc, &QTreeWidget::itemActivated, this, &THelpWindow::OpenEntry);
    connect(toc, &QTreeWidget::itemClicked, this, &THelpWindow::OpenEntry);
    LoadContents();
}

void THelpWindow::LoadContents()
{
    // toc.txt: one entry a line, "level<TAB>title<TAB>page#anchor".
    QFile file(QDir(FFolder).filePath(QStringLiteral("toc.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QList<QTreeWidgetItem*> parents;
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char('\t'));
        if (fields.size() < 3)
            continue;
        bool ok = false;
        const int level = qBound(0, fields[0].toInt(&ok), 8);
        if (!ok)
            continue;
        while (parents.size() > level)
            parents.removeLast();
        auto* item = parents.isEmpty() ? new QTreeWidgetItem(toc) : new QTreeWidgetItem(parents.last());
        item->setText(0, fields[1]);
        item->setData(0, Qt::UserRole, fields[2]);
        parents.append(item);
    }
    toc->expandAll();
}

void THelpWindow::OpenEntry(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString target = item->data(0, Qt::UserRole).toString();
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(QDir(FFolder).filePath(hash < 0 ? target : target.left(hash)));
    if (hash >= 0)
        url.setFragment(target.mid(hash + 1));
    browser->setSource(url);
}

void THelpWindow::ShowContents()
{
    if (toc->topLevelItemCount() > 0 && browser->source().isEmpty()) {
        toc->setCurrentItem(toc->topLevelItem(0));
        OpenEntry(toc->topLevelItem(0));
    } else if (toc->topLevelItemCount() == 0) {
        browser->setSource(QUrl::fromLocalFile(QDir(FFolder).filePath(QStringLiteral("index.html"))));
    }
    showNormal();
    raise();
    activateWindow();
}
