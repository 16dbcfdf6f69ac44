#include "login/uniBrowser.h"

#include "ui/PageBanner.h"

#include <QLabel>
#include <QVBoxLayout>

TfraBrowser::TfraBrowser(QWidget* parent) : QWidget(parent)
{
    setProperty("class", QStringLiteral("page"));
    spSkinLinkImage1 = CreatePageBanner(this, QStringLiteral(":/images/banner_login.svg"), QSize(834, 100));
    lblSetsumei =
        CreateInstructionLabel(this, QStringLiteral("ログインページに移動中です。しばらくお待ちください。"));
    spSkinPanel1 = new QWidget(this);
    spSkinPanel1->setObjectName(QStringLiteral("spSkinPanel1"));
    spSkinPanel1->setProperty("class", QStringLiteral("browserPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 100, 12, 10);
    layout->addWidget(spSkinPanel1);
}

void TfraBrowser::PrepareBrowser(bool outOfView)
{
    spSkinPanel1->setVisible(!outOfView);
}

void TfraBrowser::StartLogin(const QString& loginPage)
{
    FDone = false;
    FLoginPage = loginPage;
}

void TfraBrowser::StopLogin()
{
    FDone = false;
    FLoginPage.clear();
}

void TfraBrowser::LoginCompleted()
{
    FDone = true;
    FLoginPage.clear();
    emit loginCompleted();
}
