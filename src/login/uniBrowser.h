#pragma once

#include <QWidget>

class QLabel;

// The login page: the provider's own login pages in an embedded browser, under a banner with
// the instruction line.
class TfraBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit TfraBrowser(QWidget* parent = nullptr);

    QLabel* spSkinLinkImage1 = nullptr;
    QLabel* lblSetsumei = nullptr;
    QWidget* spSkinPanel1 = nullptr; // holds the browser control

    bool FDone = false;
};
