#include "ui/uniOption.h"

#include "app/NaviSettings.h"
#include "login/ProviderCatalogue.h"
#include "ui/AnsiByteLimit.h"
#include "ui/FolderEdit.h"
#include "util/AnsiText.h"
#include "util/uniDivide.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QToolButton>

namespace {
constexpr QSize ClientSize(584, 493);

constexpr QRect MenuRect(0, 0, 144, 493);
constexpr QRect PageButtonRect(8, 8, 128, 40); // the first one; the others follow below it
constexpr int PageButtonPitch = 46;

constexpr QRect PageRect(152, 8, 424, 440);
constexpr QSize HeaderSize(424, 56);
constexpr QRect OkRect(360, 457, 104, 26);
constexpr QRect CancelRect(472, 457, 104, 26);

// Inside a page.
constexpr int BarLeft = 8;
constexpr int BarWidth = 408;
constexpr int BarHeight = 20;
constexpr int FirstBarTop = 64;
constexpr int LabelLeft = 16;
constexpr int RowHeight = 24; // what the style sheet makes of an edit box anyway

// Page 1. The credential rows are placed so that the message tops of the provider rule fall just
// below the last row shown: 291 under the password row, 340 under the fourth BitCash row.
constexpr int FieldLeft = 120;
constexpr int LabelWidth = FieldLeft - LabelLeft - 4;
constexpr int ComboWidth = 200;
constexpr int EditWidth = 240;
constexpr int SelectTextTop = 90;
constexpr int ProviderTop = 114;
constexpr int CourseTop = 142;
constexpr int NoteTop = 170;
constexpr int UserBarTop = 206;
constexpr int CredentialTop = 241;
constexpr int CredentialPitch = 25;
constexpr int MessageWidth = 392;
constexpr int MessageLines = 2;
constexpr int MessageTopDesign = 314;
constexpr int MessageTopUser = 291;
constexpr int MessageTopBitCash = 340;

// Page 2: thirteen rows and the copy button have to share 440 pixels.
constexpr int FolderLabelWidth = 168;
constexpr int FolderLeft = LabelLeft + FolderLabelWidth + 2;
constexpr int FolderWidth = BarLeft + BarWidth - FolderLeft;
constexpr int FolderTop = 90;
constexpr int FolderPitch = 25;

// Page 3.
constexpr int ChoiceTop = 94;
constexpr int OverwriteBarTop = 134;
constexpr int OverwriteTop = 162;

constexpr int BitCashBytes = 8; // four double-byte hiragana

const QChar FullWidthColon(0xFF1A);

// The texts of lblMes.
QString mesDesign()
{
    return QStringLiteral(
        "上記で選択した月額コースのログインに使用しているプロバイダのユーザーID・パスワードを"
        "ご入力ください。");
}
QString mesBitCash()
{
    return QStringLiteral("BitCashのひらがなIDを各行4文字ずつ計16文字ご入力ください。");
}
QString mesNoCredentials()
{
    return QStringLiteral("WebMoney、OCN の場合はユーザーID・パスワードの設定は必要ありません。");
}
QString mesWallet()
{
    return QStringLiteral(
        "上記で選択した月額コースのログインに使用しているYahoo! JAPAN ID・パスワードを"
        "ご入力ください。(あらかじめYahoo!ウォレット決済でメンバー登録しておく必要があります)");
}
QString mesUser()
{
    return QStringLiteral(
        "上記で選択した月額コースのログインに使用しているユーザーID・パスワードをご入力ください。");
}
QString mesCredit()
{
    return QStringLiteral("ログインに使用しているユーザーID・パスワードをご入力ください。");
}

// Two lines high, or as many as the longest message needs in the font at hand: a wide Japanese
// font wraps the Yahoo! text onto a third line.
int messageHeight(QLabel* label)
{
    label->ensurePolished();
    const QFontMetrics metrics = label->fontMetrics();
    int height = MessageLines * metrics.lineSpacing();
    const QRect area(0, 0, label->width(), 1000);
    for (const QString& text :
         {mesDesign(), mesBitCash(), mesNoCredentials(), mesWallet(), mesUser(), mesCredit()})
        height = qMax(height, metrics.boundingRect(area, Qt::TextWordWrap, text).height());
    return height;
}

QString withoutColon(const QString& caption)
{
    return caption.endsWith(FullWidthColon) ? caption.chopped(1) : caption;
}

QLabel* makeLabel(const QString& caption, QWidget* page, const QRect& rect, const char* name = nullptr)
{
    auto* label = new QLabel(caption, page);
    if (name)
        label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}

void makeSectionBar(const QString& title, QWidget* page, int top, const char* name)
{
    auto* bar = makeLabel(title, page, QRect(BarLeft, top, BarWidth, BarHeight), name);
    bar->setProperty("class", QStringLiteral("sectionBar"));
    bar->setIndent(6);
    QFont font = bar->font();
    font.setBold(true);
    bar->setFont(font);
}

// The header picture with the page's title line on it.
void makeHeader(const QString& title, QWidget* page, int number)
{
    auto* header = new QLabel(page);
    header->setObjectName(QStringLiteral("imgHeader%1").arg(number));
    header->setProperty("class", QStringLiteral("pageHeader"));
    header->setGeometry(QRect(QPoint(0, 0), HeaderSize));
    // Without the picture the title still has to stand on something dark.
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, QColor(0x2d, 0x4b, 0x73));
    header->setPalette(palette);
    const QString picture = QStringLiteral(":/images/header_option.svg");
    if (QFile::exists(picture))
        header->setPixmap(QIcon(picture).pixmap(HeaderSize, page->devicePixelRatioF()));

    auto* caption = new QLabel(title, header);
    caption->setObjectName(QStringLiteral("lblHeader%1").arg(number));
    caption->setProperty("class", QStringLiteral("pageHeader"));
    caption->setTextFormat(Qt::PlainText);
    caption->setGeometry(16, 0, HeaderSize.width() - 24, HeaderSize.height());
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont font = caption->font();
    font.setBold(true);
    caption->setFont(font);
    palette = caption->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    caption->setPalette(palette);
}

QWidget* makePage(QWidget* parent, const char* name, const QString& title, int number)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QLatin1String(name));
    page->setGeometry(PageRect);
    makeHeader(title, page, number);
    return page;
}

QPushButton* makePageButton(QWidget* menu, int number, const QString& caption, const QString& icon)
{
    auto* button = new QPushButton(caption, menu);
    if (QFile::exists(icon)) // decoration only: a missing picture leaves the caption alone
        button->setIcon(QIcon(icon));
    button->setObjectName(QStringLiteral("btnPnl%1").arg(number));
    button->setProperty("class", QStringLiteral("pageButton"));
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setIconSize(QSize(24, 24));
    button->setGeometry(PageButtonRect.translated(0, (number - 1) * PageButtonPitch));
    return button;
}
} // namespace

TfrmOption::TfrmOption(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent)
    : QDialog(parent), FSettings(settings), FCatalogue(catalogue)
{
    CreateControls();
    FormCreate();
}

void TfrmOption::CreateControls()
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("Velmira 2 のオプション"));
    // Closed by OK or Cancel only: no close box, no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientSize);

    auto* pnlMenu = new QWidget(this);
    pnlMenu->setObjectName(QStringLiteral("pnlMenu"));
    pnlMenu->setProperty("class", QStringLiteral("menuPanel"));
    pnlMenu->setAttribute(Qt::WA_StyledBackground);
    pnlMenu->setGeometry(MenuRect);
    btnPnl1 =
        makePageButton(pnlMenu, 1, QStringLiteral("ユーザー設定"), QStringLiteral(":/images/opt_user.svg"));
    btnPnl2 =
        makePageButton(pnlMenu, 2, QStringLiteral("格納フォルダ"), QStringLiteral(":/images/opt_folder.svg"));
    btnPnl3 =
        makePageButton(pnlMenu, 3, QStringLiteral("ファイル詳細"), QStringLiteral(":/images/opt_file.svg"));
    auto* pageGroup = new QButtonGroup(this);
    pageGroup->setExclusive(true);
    for (QPushButton* button : {btnPnl1, btnPnl2, btnPnl3})
        pageGroup->addButton(button);
    btnPnl1->setChecked(true);

    CreateUserPage();
    CreateFolderPage();
    CreateFilePage();
    pnl2->hide();
    pnl3->hide();

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(OkRect);
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(CancelRect);
    btnCancel->setAutoDefault(false);

    // Tab follows the rows: menu, page 1, page 2, page 3, then the two closing buttons.
    QList<QWidget*> order = {btnPnl1, btnPnl2, btnPnl3, cmbProvider, cmbCourse, txtUserName, txtPass};
    order.append(QList<QWidget*>(bit.begin(), bit.end()));
    for (int i = 0; i < DataKindCount; ++i) {
        const TFolderEdit* row = FFolderRows[size_t(i)];
        order << row->Edit() << row->BrowseButton();
        if (i == 0)
            order << btnSame;
    }
    order << radDateAll << radDateThisMonth << radDateLastMonth << chkOverwrite << btnOK << btnCancel;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    cmbProvider->setFocus();

    connect(btnPnl1, &QPushButton::clicked, this, &TfrmOption::btnPnl1Click);
    connect(btnPnl2, &QPushButton::clicked, this, &TfrmOption::btnPnl2Click);
    connect(btnPnl3, &QPushButton::clicked, this, &TfrmOption::btnPnl3Click);
    connect(btnSame, &QPushButton::clicked, this, &TfrmOption::btnSameClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmOption::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmOption::reject);
    // Connected before the opening steps select the stored entries: selecting from code runs the
    // rules just as a choice by the member does.
    connect(cmbProvider, &QComboBox::currentTextChanged, this, &TfrmOption::cmbProviderChange);
    connect(cmbCourse, &QComboBox::currentTextChanged, this, &TfrmOption::cmbCourseChange);
}

void TfrmOption::CreateUserPage()
{
    pnl1 = makePage(this, "pnl1", QStringLiteral("プロバイダやユーザーIDなどの情報を設定します。"), 1);

    makeSectionBar(QStringLiteral("プロバイダとコースの設定"), pnl1, FirstBarTop, "lblBarProvider");
    makeLabel(QStringLiteral("ご登録中のプロバイダとコースを選択してください。"), pnl1,
              QRect(LabelLeft, SelectTextTop, MessageWidth, 18), "lblSelect");

    auto addRowLabel = [this](const QString& caption, int top, const char* name) {
        return makeLabel(caption, pnl1, QRect(LabelLeft, top, LabelWidth, RowHeight), name);
    };
    auto labelFor = [](QLabel* label, QWidget* control) {
        label->setBuddy(control);
        control->setAccessibleName(withoutColon(label->text()));
    };

    cmbProvider = new QComboBox(pnl1);
    cmbProvider->setObjectName(QStringLiteral("cmbProvider"));
    for (int i = 0; i < ProviderCount; ++i)
        cmbProvider->addItem(ProviderNames(i));
    cmbProvider->setCurrentIndex(-1);
    cmbProvider->setGeometry(FieldLeft, ProviderTop, ComboWidth, RowHeight);
    labelFor(addRowLabel(QStringLiteral("プロバイダ："), ProviderTop, "lblProvider"), cmbProvider);

    cmbCourse = new QComboBox(pnl1);
    cmbCourse->setObjectName(QStringLiteral("cmbCourse"));
    for (int i = 0; i < CourseCount; ++i)
        cmbCourse->addItem(CourseNames(i));
    cmbCourse->setCurrentIndex(-1);
    cmbCourse->setGeometry(FieldLeft, CourseTop, ComboWidth, RowHeight);
    labelFor(addRowLabel(QStringLiteral("コース："), CourseTop, "lblCourse"), cmbCourse);

    lblMes2 = makeLabel(QStringLiteral("※ リンヴェールの場合、コースは自動判別されます。"), pnl1,
                        QRect(FieldLeft, NoteTop, BarLeft + BarWidth - FieldLeft, 18), "lblMes2");
    lblMes2->hide();

    makeSectionBar(QStringLiteral("ユーザーIDとパスワードの設定"), pnl1, UserBarTop, "lblBarUser");

    auto rowTop = [](int row) { return CredentialTop + row * CredentialPitch; };
    lblID = addRowLabel(QStringLiteral("ユーザーID："), rowTop(0), "lblID");
    txtUserName = new QLineEdit(pnl1);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtUserName->setGeometry(FieldLeft, rowTop(0), EditWidth, RowHeight);
    labelFor(lblID, txtUserName);

    lblPass = addRowLabel(QStringLiteral("パスワード："), rowTop(1), "lblPass");
    txtPass = new QLineEdit(pnl1);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    txtPass->setGeometry(FieldLeft, rowTop(1), EditWidth, RowHeight);
    labelFor(lblPass, txtPass);

    for (int i = 0; i < 4; ++i) {
        const QByteArray labelName = "lblBit" + QByteArray::number(i + 1);
        QLabel* label =
            addRowLabel(QStringLiteral("カード番号%1：").arg(i + 1), rowTop(i), labelName.constData());
        auto* edit = new QLineEdit(pnl1);
        edit->setObjectName(QStringLiteral("bit%1").arg(i + 1));
        edit->setGeometry(FieldLeft, rowTop(i), EditWidth / 2, RowHeight);
        labelFor(label, edit);
        label->hide();
        edit->hide();
        lblBit[size_t(i)] = label;
        bit[size_t(i)] = edit;
    }

    lblMes = makeLabel(mesDesign(), pnl1, QRect(LabelLeft, MessageTopDesign, MessageWidth, 0), "lblMes");
    lblMes->setWordWrap(true);
    lblMes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMes->resize(MessageWidth, messageHeight(lblMes));
}

void TfrmOption::CreateFolderPage()
{
    pnl2 =
        makePage(this, "pnl2", QStringLiteral("ダウンロードしたファイルを格納するフォルダを設定します。"), 2);
    makeSectionBar(QStringLiteral("格納フォルダの設定"), pnl2, FirstBarTop, "lblBarFolder");

    // The copy button takes the place of a row between the first and the second folder.
    auto rowTop = [](int row) { return FolderTop + (row == 0 ? 0 : row + 1) * FolderPitch; };
    for (int i = 0; i < DataKindCount; ++i) {
        const TDataKind& kind = DataKinds[size_t(i)];
        const QString caption = kind.caption();
        auto* row = new TFolderEdit(QStringLiteral("dir_") + kind.code(), caption, pnl2);
        row->setGeometry(FolderLeft, rowTop(i), FolderWidth, RowHeight);
        const QByteArray labelName = QByteArray("lbl_") + kind.Code;
        QLabel* label =
            makeLabel(caption + FullWidthColon, pnl2,
                      QRect(LabelLeft, rowTop(i), FolderLabelWidth, RowHeight), labelName.constData());
        label->setBuddy(row->Edit());
        FFolderRows[size_t(i)] = row;
        dir[size_t(i)] = row->Edit();
    }

    btnSame = new QPushButton(QStringLiteral("以下の指定をすべて同じにする"), pnl2);
    btnSame->setObjectName(QStringLiteral("btnSame"));
    btnSame->setGeometry(FolderLeft, FolderTop + FolderPitch, FolderWidth, RowHeight);
}

void TfrmOption::CreateFilePage()
{
    pnl3 = makePage(this, "pnl3", QStringLiteral("ダウンロードするファイルの詳細を設定します。"), 3);

    makeSectionBar(QStringLiteral("日付の制限"), pnl3, FirstBarTop, "lblBarDate");
    radDateAll = new QRadioButton(QStringLiteral("すべてダウンロード"), pnl3);
    radDateThisMonth = new QRadioButton(QStringLiteral("今月分のみ"), pnl3);
    radDateLastMonth = new QRadioButton(QStringLiteral("先月分のみ"), pnl3);
    radDateAll->setObjectName(QStringLiteral("radDateAll"));
    radDateThisMonth->setObjectName(QStringLiteral("radDateThisMonth"));
    radDateLastMonth->setObjectName(QStringLiteral("radDateLastMonth"));
    int left = LabelLeft + 8;
    for (QRadioButton* choice : {radDateAll, radDateThisMonth, radDateLastMonth}) {
        const int width = choice->sizeHint().width();
        choice->setGeometry(left, ChoiceTop, width, RowHeight);
        left += width + 24;
    }
    radDateAll->setChecked(true);

    makeSectionBar(QStringLiteral("同名ファイルの処理"), pnl3, OverwriteBarTop, "lblBarOverwrite");
    chkOverwrite = new QCheckBox(QStringLiteral("同名ファイルが存在するときは上書きする"), pnl3);
    chkOverwrite->setObjectName(QStringLiteral("chkOverwrite"));
    chkOverwrite->setGeometry(LabelLeft + 8, OverwriteTop, BarWidth - 2 * LabelLeft, RowHeight);
    chkOverwrite->setChecked(true);
}

void TfrmOption::FormCreate()
{
    // An index that names no entry selects nothing and runs no rule; QComboBox would report a
    // change even for that, so it is not asked.
    auto select = [](QComboBox* list, int index) {
        if (index >= 0 && index < list->count())
            list->setCurrentIndex(index);
    };
    select(cmbProvider, FSettings.gProvider);
    select(cmbCourse, FSettings.gCourse);

    txtUserName->setText(FSettings.gUserName);
    txtPass->setText(FSettings.gPass);

    const TDivide parts(ToAnsi(FSettings.gBitCash), ';');
    if (parts.Count() == 4)
        for (int i = 0; i < 4; ++i)
            bit[size_t(i)]->setText(FromAnsi(parts.Items()[i]));
    // Limits what the member types, not what was stored.
    for (QLineEdit* edit : bit)
        edit->setValidator(new TAnsiByteLimit(BitCashBytes, edit));

    for (int i = 0; i < DataKindCount; ++i) {
        dir[size_t(i)]->setText(FSettings.Dir(i));
        dir[size_t(i)]->setCursorPosition(0); // a long path shows from its start
    }

    switch (FSettings.gDateSeigen) {
    case 0:
        radDateAll->setChecked(true);
        break;
    case 1:
        radDateThisMonth->setChecked(true);
        break;
    case 2:
        radDateLastMonth->setChecked(true);
        break;
    default:
        break;
    }

    chkOverwrite->setChecked(FSettings.gOverwrite);
}

void TfrmOption::cmbProviderChange()
{
    const QString provider = cmbProvider->currentText();
    const bool bitCash = provider == ProviderNames(pvBitCash);

    const std::array<QWidget*, 4> userRows = {lblID, lblPass, txtUserName, txtPass};
    for (QWidget* w : userRows)
        w->setVisible(!bitCash);
    for (int i = 0; i < 4; ++i) {
        lblBit[size_t(i)]->setVisible(bitCash);
        bit[size_t(i)]->setVisible(bitCash);
    }

    int top = MessageTopUser;
    if (bitCash) {
        lblMes->setText(mesBitCash());
        top = MessageTopBitCash;
    } else if (provider == ProviderNames(pvWebMoney) || provider == ProviderNames(pvOcn)) {
        txtUserName->setEnabled(false);
        txtPass->setEnabled(false);
        lblMes->setText(mesNoCredentials());
    } else if (provider == ProviderNames(pvWallet)) {
        txtUserName->setEnabled(true);
        txtPass->setEnabled(true);
        lblMes->setText(mesWallet());
    } else {
        txtUserName->setEnabled(true);
        txtPass->setEnabled(true);
        lblMes->setText(mesUser());
    }
    lblMes->move(lblMes->x(), top);

    if (provider == ProviderNames(pvCredit)) {
        lblMes2->show();
        cmbCourse->setEnabled(true);
        lblMes->setText(mesCredit());
        btnOK->setEnabled(true); // the course is found out at login
    } else {
        lblMes2->hide();
        cmbCourse->setEnabled(true);
        btnOK->setEnabled(!cmbProvider->currentText().isEmpty() && !cmbCourse->currentText().isEmpty());
    }
}

void TfrmOption::cmbCourseChange()
{
    btnOK->setEnabled(!cmbProvider->currentText().isEmpty() && !cmbCourse->currentText().isEmpty());
}

void TfrmOption::btnSameClick()
{
    const QString first = dir[0]->text();
    for (int i = 1; i < DataKindCount; ++i)
        dir[size_t(i)]->setText(first);
}

void TfrmOption::btnOKClick()
{
    FSettings.gProvider = cmbProvider->currentIndex();
    FSettings.gCourse = cmbCourse->currentIndex();

    FSettings.gUserName = txtUserName->text();
    FSettings.gPass = txtPass->text();

    QStringList parts;
    for (const QLineEdit* edit : bit)
        parts << edit->text();
    FSettings.gBitCash = parts.join(QLatin1Char(';'));

    FCatalogue.SelectProviderCourse(FSettings.gProvider, FSettings.gCourse);

    for (int i = 0; i < DataKindCount; ++i)
        FSettings.Dir(i) = dir[size_t(i)]->text();

    if (radDateThisMonth->isChecked())
        FSettings.gDateSeigen = 1;
    else if (radDateLastMonth->isChecked())
        FSettings.gDateSeigen = 2;
    else
        FSettings.gDateSeigen = 0;

    FSettings.gOverwrite = chkOverwrite->isChecked();

    accept();
}

void TfrmOption::ShowPage(int number)
{
    const std::array<QWidget*, 3> pages = {pnl1, pnl2, pnl3};
    const std::array<QPushButton*, 3> buttons = {btnPnl1, btnPnl2, btnPnl3};
    for (int i = 0; i < 3; ++i)
        pages[size_t(i)]->setVisible(i + 1 == number);
    buttons[size_t(number - 1)]->setChecked(true);
}

void TfrmOption::btnPnl1Click()
{
    ShowPage(1);
}

void TfrmOption::btnPnl2Click()
{
    ShowPage(2);
}

void TfrmOption::btnPnl3Click()
{
    ShowPage(3);
}
