#include "app/MessageDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QWidget* owner()
{
    if (QWidget* active = QApplication::activeModalWidget())
        return active;
    return QApplication::activeWindow();
}

QMessageBox* makeBox(TMessageKind kind, const QString& message)
{
    auto* box = new QMessageBox(owner());
    box->setObjectName(QStringLiteral("VelmiraMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowModality(Qt::ApplicationModal);
    const bool error = kind == TMessageKind::Error;
    box->setWindowTitle(error ? QStringLiteral("エラー") : QStringLiteral("情報"));
    box->setIcon(error ? QMessageBox::Critical : QMessageBox::Information);
    box->setText(QStringLiteral("Velmira 2"));
    box->setInformativeText(message);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

void ShowMessageDialog(TMessageKind kind, const QString& message)
{
    std::unique_ptr<QMessageBox> box(makeBox(kind, message));
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->exec();
}

bool AskYesNo(TMessageKind kind, const QString& message)
{
    std::unique_ptr<QMessageBox> box(makeBox(kind, message));
    QPushButton* yes = box->addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->exec();
    return box->clickedButton() == yes;
}

QString WithFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void ShowErrorReport(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Velmira 2"), WithFullStop(text), QMessageBox::NoButton,
                    owner());
    box.setObjectName(QStringLiteral("VelmiraErrorReport"));
    box.setTextFormat(Qt::PlainText);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void InstallMessageDialogs()
{
    SetMessageHandler([](TMessageKind kind, const QString& message) { ShowMessageDialog(kind, message); });
}
