#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A folder text box with a button beside it that opens the platform's folder picker at the folder
// typed so far. Typing stays allowed and nothing is checked: the download step copes with folders
// that are missing.
class TFolderEdit : public QWidget
{
    Q_OBJECT
public:
    // editName is the object name of the text box; caption names the folder for the picker and for
    // assistive technology.
    TFolderEdit(const QString& editName, const QString& caption, QWidget* parent = nullptr);

    QLineEdit* Edit() const { return FEdit; }
    QToolButton* BrowseButton() const { return FBrowse; }

public slots:
    void Browse();

private:
    QLineEdit* FEdit;
    QToolButton* FBrowse;
    QString FCaption;
};
