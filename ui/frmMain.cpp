#include "ui/frmMain.h"

#include "device/MSComm.h"
#include "ui/AutoSizeLabel.h"
#include "ui/Clock.h"
#include "ui/ColourButton.h"
#include "ui/Fonts.h"
#include "ui/KeyWatch.h"
#include "ui/LineShape.h"
#include "ui/MainWindowDesign.h"
#include "ui/Placement.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>

namespace {

const QColor kDarkBlue(0, 0, 192);

void setTextColour(QWidget* control, QColor colour)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    control->setPalette(palette);
}

// Status boxes: button-face background, dark blue text, read-only so that
// nothing typed can be mistaken for an answer of the reader.
void makeStatusBox(TextBox* box)
{
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    setTextColour(box, kDarkBlue);
}

AutoSizeLabel* rightAlignedLabel(const QString& caption, const TwipsRect& where, const QFont& font,
                                 QWidget* container, const char* name)
{
    auto* label = place(new AutoSizeLabel(caption, container), where, name);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setCaption(caption);
    return label;
}

} // namespace

frmMain::frmMain(DesktopServices& desktop, const Clock& clock, QString programFile, QWidget* parent)
    : QMainWindow(parent)
    , desktop_(desktop)
    , clock_(clock)
    , programFile_(std::move(programFile))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvelle"));
    setWindowIcon(QIcon(QStringLiteral(":/Orvelle.png")));
    setFont(windowFont());
    createMenus();
    createControls();
    chainTabOrder();

    MSComm1 = new MSComm(this);
    connect(MSComm1, &MSComm::OnComm, this, &frmMain::MSComm1_OnComm);
    connect(btnOpen, &QPushButton::clicked, this,
            userAction(UserAction::Test, &frmMain::btnOpen_Click));
    Combo2->installEventFilter(this);
    Combo2->lineEdit()->installEventFilter(this);
    txtSerialNumber->installEventFilter(this);
    connect(btnSend, &QPushButton::clicked, this,
            userAction(UserAction::Go, &frmMain::btnSend_Click));
    connect(txtSerialNumber, &QLineEdit::textChanged, this, &frmMain::txtSerialNumber_Change);
    openKeys_ = new KeyWatch({Qt::Key_Alt, Qt::Key_O, Qt::Key_Return, Qt::Key_Enter}, this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(60);
    // Ticks count the open dialogue's waits: they must not drift.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    Timer1->start();

    const QSize client =
        toPixels(TwipsRect{0, 0, design::clientArea.width, design::clientArea.height}).size();
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    txtCommandList = place(new TextBox(client), design::txtCommandList, "txtCommandList");
    txtCommandList->setFont(courierNew(8.25));
    txtCommandList->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtCommandList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtCommandList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Characters typed into the transcript are discarded; it can still be selected and copied.
    txtCommandList->setReadOnly(true);
    txtCommandList->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
    txtCommandList->setText(QStringLiteral("Loading command file\r\nPlease wait...\r\n"));

    lblSerialNumber =
        rightAlignedLabel(QStringLiteral("Type in the Serial Number then click Go:"),
                          design::lblSerialNumber, windowFont(), client, "lblSerialNumber");
    lblSerialNumber->hide();

    txtSerialNumber = place(new QLineEdit(client), design::txtSerialNumber, "txtSerialNumber");
    txtSerialNumber->setMaxLength(16);
    txtSerialNumber->hide();

    btnSend = place(new ColourButton(QStringLiteral("&Go"), sendColour::kNoCommands, client),
                    design::btnSend, "btnSend");
    btnSend->setFont(sansSerif(8.25, true));

    btnExit =
        place(new QPushButton(QStringLiteral(" E&xit  "), client), design::btnExit, "btnExit");
    btnExit->setToolTip(QStringLiteral("Click to exit"));
    connect(btnExit, &QPushButton::clicked, this, &frmMain::btnExit_Click);

    frmKVRPort = place(new QGroupBox(QStringLiteral("Select the virtual com port "), client),
                       design::frmKVRPort, "frmKVRPort");

    Combo2 = place(new SortedComboBox(frmKVRPort), design::Combo2, "Combo2");
    Combo2->setFont(courierNew(8.25));

    btnOpen =
        place(new QPushButton(QStringLiteral("&Test"), frmKVRPort), design::btnOpen, "btnOpen");

    Label3 = rightAlignedLabel(QStringLiteral(" Driver: "), design::Label3, sansSerif(9.75),
                               frmKVRPort, "Label3");

    txtDeviceDriver = place(new TextBox(frmKVRPort), design::txtDeviceDriver, "txtDeviceDriver");
    txtDeviceDriver->setFont(courierNew(8.25));
    makeStatusBox(txtDeviceDriver);
    txtDeviceDriver->setText(QStringLiteral("closed\r\n"));

    Line2 = new LineShape(design::line2From, design::line2To, 2, frmKVRPort);
    Line2->setObjectName(QStringLiteral("Line2"));

    D = rightAlignedLabel(QStringLiteral(" Device: "), design::D, sansSerif(9.75), frmKVRPort, "D");

    lblDevice = place(new AutoSizeLabel(QString(), frmKVRPort), design::lblDevice, "lblDevice");
    lblDevice->setFont(courierNew(8.25));
    setTextColour(lblDevice, kDarkBlue);
    lblDevice->setCaption(QStringLiteral("none"));

    frmLastUsed = place(new QGroupBox(QStringLiteral("Last opened:"), frmKVRPort),
                        design::frmLastUsed, "frmLastUsed");

    txtCurrName = place(new TextBox(frmKVRPort), design::txtCurrName, "txtCurrName");
    txtCurrName->setFont(courierNew(8.25));
    makeStatusBox(txtCurrName);
    txtCurrName->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));

    Label2 = rightAlignedLabel(QStringLiteral("Com Port:"), design::Label2, sansSerif(9.75),
                               frmLastUsed, "Label2");

    lblCurrPort =
        place(new AutoSizeLabel(QString(), frmLastUsed), design::lblCurrPort, "lblCurrPort");
    lblCurrPort->setFont(courierNew(11.25, true));
    setTextColour(lblCurrPort, kDarkBlue);
    // Designed with a border, which loading clears.
    lblCurrPort->setFrameShape(QFrame::Box);
    lblCurrPort->setCaption(QString());

    // Enter presses the push button that has the focus, as Space does.
    for (QPushButton* button : std::initializer_list<QPushButton*>{btnSend, btnExit, btnOpen}) {
        button->setAutoDefault(true);
    }
}

void frmMain::createMenus()
{
    const auto named = [](auto* item, const char* name) {
        item->setObjectName(QLatin1String(name));
        return item;
    };
    mnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuFileOpen = named(mnuFile->addAction(QStringLiteral("&Open")), "mnuFileOpen");
    connect(mnuFileOpen, &QAction::triggered, this,
            userAction(UserAction::FileOpen, &frmMain::mnuFileOpen_Click));
    mnuFileRunRecords =
        named(mnuFile->addAction(QStringLiteral("&Run Records...")), "mnuFileRunRecords");
    connect(mnuFileRunRecords, &QAction::triggered, this,
            userAction(UserAction::RunRecords, &frmMain::mnuFileRunRecords_Click));
    mnuSep2 = named(mnuFile->addSeparator(), "mnuSep2");
    mnuFileExit = named(mnuFile->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), "mnuHelp");
    mnuShowHelp = named(mnuHelp->addAction(QStringLiteral("Show &Help")), "mnuShowHelp");
    connect(mnuShowHelp, &QAction::triggered, this,
            userAction(UserAction::ShowHelp, &frmMain::mnuShowHelp_Click));
    mnuSep1 = named(mnuHelp->addSeparator(), "mnuSep1");
    mnuHelpAbout = named(mnuHelp->addAction(QStringLiteral("&About Orvelle...")), "mnuHelpAbout");
    connect(mnuHelpAbout, &QAction::triggered, this,
            userAction(UserAction::About, &frmMain::mnuHelpAbout_Click));
}

// Labels and frames never take the focus; hidden or disabled controls are skipped by Qt.
void frmMain::chainTabOrder()
{
    const QList<QWidget*> order{btnSend,     Combo2,          btnExit,        btnOpen,
                                txtCurrName, txtDeviceDriver, txtCommandList, txtSerialNumber};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}
