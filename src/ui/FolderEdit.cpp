#include "ui/FolderEdit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace {
constexpr int ButtonWidth = 26;
}

TFolderEdit::TFolderEdit(const QString& editName, const QString& caption, QWidget* parent)
    : QWidget(parent), FEdit(new QLineEdit(this)), FBrowse(new QToolButton(this)), FCaption(caption)
{
    setObjectName(QStringLiteral("folder_") + editName);
    FEdit->setObjectName(editName);
    FEdit->setAccessibleName(caption);

    FBrowse->setObjectName(QStringLiteral("browse_") + editName);
    FBrowse->setText(QStringLiteral("..."));
    FBrowse->setToolTip(QStringLiteral("フォルダの参照"));
    FBrowse->setAccessibleName(caption + QStringLiteral("の参照"));
    FBrowse->setFixedWidth(ButtonWidth);
    // Both fill the row's height, whatever the font makes of their own idea of it.
    FBrowse->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    FEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    FBrowse->setFocusPolicy(Qt::StrongFocus);
    FBrowse->setProperty("class", QStringLiteral("browseButton"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(FEdit, 1);
    layout->addWidget(FBrowse);

    setFocusProxy(FEdit);
    connect(FBrowse, &QToolButton::clicked, this, &TFolderEdit::Browse);
}

void TFolderEdit::Browse()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, FCaption + QStringLiteral("の格納フォルダ"), FEdit->text());
    if (folder.isEmpty())
        return; // the picker was cancelled
    FEdit->setText(QDir::toNativeSeparators(folder));
    FEdit->setModified(true);
}
