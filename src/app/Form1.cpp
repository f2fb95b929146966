#include "Form1.h"

#include "Main.h"
#include "appearance/Appearance.h"
#include "appearance/WindowMetrics.h"
#include "settings/SettingsStore.h"

#include "app/report/ApplicationError.h"
#include "app/report/Locations.h"
#include "app/report/ReportingRoutine.h"
#include "db/Access.h"
#include "db/FileExists.h"
#include "db/IsInstalled.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace quorvane::app {

namespace {

int px(int twips)
{
    return twipsToPixels(twips);
}

const QString kSampleDatabaseSuffix = QStringLiteral("/Samples/sample.mdb");
const QString kOpenDialogTitle = QStringLiteral("Select Access Database");
// The classic filter "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database
// (*.mdb)|*.mdb|Microsoft 2007 Database (*.accdb)|*.accdb|" in Qt's form; the first entry
// matches every extension that ends in "db". The dialog shows only the descriptions, so the
// patterns do not appear twice.
const QString kOpenDialogFilter = QStringLiteral(
    "All Microsoft Databases (*.mdb,*.accdb) (*.*db);;Microsoft Database (*.mdb) (*.mdb);;"
    "Microsoft 2007 Database (*.accdb) (*.accdb)");

void setWhiteBackground(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

Form1::Form1(SettingsStore& settings, UiServices services, Form1Setup setup, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_services(services)
    , m_setup(std::move(setup))
    , m_dialogue(this, *services.messageBoxes, *services.browser)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(px(8040), px(2085));
    setWhiteBackground(this);
    buildControls();
    connectHandlers();
    setTabOrder();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    const QFont text = arialBold(9);
    const QFont button = arialBold(11.25);

    m_Frame1 = new QGroupBox(QStringLiteral("Access Database"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    m_Frame1->setGeometry(twipsRect(120, 120, 7800, 1335));
    m_Frame1->setFont(text);
    setWhiteBackground(m_Frame1);

    m_Label5 = new QLabel(QStringLiteral("MDB or ACCDB File:"), m_Frame1);
    m_Label5->setObjectName(QStringLiteral("Label5"));
    m_Label5->setGeometry(twipsRect(240, 345, 1935, 255));
    m_Label5->setFont(text);
    setWhiteBackground(m_Label5);

    m_Text1 = new QLineEdit(m_Frame1);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setGeometry(twipsRect(2280, 300, 4695, 345));
    m_Text1->setFont(text);

    m_PushButton5 = new QPushButton(QStringLiteral("..."), m_Frame1);
    m_PushButton5->setObjectName(QStringLiteral("PushButton5"));
    m_PushButton5->setGeometry(twipsRect(7080, 300, 450, 345));
    m_PushButton5->setFont(button);

    m_lblPassword = new QLabel(QStringLiteral("Password (if required):"), m_Frame1);
    m_lblPassword->setObjectName(QStringLiteral("lblPassword"));
    m_lblPassword->setGeometry(twipsRect(240, 840, 1950, 225));
    m_lblPassword->setFont(text);
    setWhiteBackground(m_lblPassword);

    m_Text2 = new QLineEdit(m_Frame1);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    m_Text2->setGeometry(twipsRect(2280, 800, 5265, 345));
    m_Text2->setFont(text);
    m_Text2->setEchoMode(QLineEdit::Password);
    // The password character is "*", whatever the style would draw.
    m_Text2->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    m_PushButton1 = new QPushButton(QStringLiteral("Load Sample/Example Database"), this);
    m_PushButton1->setObjectName(QStringLiteral("PushButton1"));
    m_PushButton1->setGeometry(twipsRect(120, 1580, 3840, 405));
    m_PushButton1->setFont(button);

    m_PushButton3 = new QPushButton(QStringLiteral("Next >"), this);
    m_PushButton3->setObjectName(QStringLiteral("PushButton3"));
    m_PushButton3->setGeometry(twipsRect(4080, 1580, 3840, 405));
    m_PushButton3->setFont(button);

    for (QPushButton* push : {m_PushButton1, m_PushButton3, m_PushButton5}) {
        push->setAutoDefault(false);
        push->setFocusPolicy(Qt::StrongFocus);
    }
}

void Form1::connectHandlers()
{
    connect(m_PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    connect(m_PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    connect(m_PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    connect(m_Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(m_Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });

    // The hover rule and the focus handlers watch the controls' own events.
    for (QWidget* watched : std::initializer_list<QWidget*>{this, m_Frame1, m_Label5, m_Text1, m_PushButton5,
                                                            m_lblPassword, m_Text2, m_PushButton1, m_PushButton3}) {
        watched->setMouseTracking(true);
        watched->installEventFilter(this);
    }
}

void Form1::setTabOrder()
{
    // Text1, "Next >", Text2, "...", "Load Sample/Example Database"; the frame and the
    // labels take no focus.
    QWidget::setTabOrder(m_Text1, m_PushButton3);
    QWidget::setTabOrder(m_PushButton3, m_Text2);
    QWidget::setTabOrder(m_Text2, m_PushButton5);
    QWidget::setTabOrder(m_PushButton5, m_PushButton1);
}

void Form1::start()
{
    // Placed before anything can report: a box owned by the still hidden window opens
    // over the middle of the screen, not in its top-left corner.
    centreOnScreen();
    Form_Load();
    if (!m_movedOnDuringLoad && !m_unloading) {
        show();
        m_Text1->setFocus(Qt::OtherFocusReason);
    }
}

void Form1::showEvent(QShowEvent* event)
{
    // Centred whenever it appears: at start-up, and on "< Back" also when start-up went
    // straight on to the export window and this window was never shown.
    if (!event->spontaneous())
        centreOnScreen();
    QWidget::showEvent(event);
}

void Form1::centreOnScreen()
{
    app::centreOnScreen(*this);
}

QString Form1::databasePath() const
{
    return m_Text1->text();
}

QString Form1::databasePassword() const
{
    return m_Text2->text();
}

report::ErrorReporter& Form1::reporter() const
{
    return m_setup.reporter ? *m_setup.reporter : report::errorReporter();
}

db::CatalogContext Form1::catalogContext()
{
    return {*this, m_dialogue, reporter()};
}

void Form1::Form_Load()
{
    report::ReportingRoutine r(report::location::kForm1FormLoad, reporter());
    m_loading = true;

    r.run(100, [&] { ApplySkin(*this, m_SkinFramework1, dataFolderFor(kSkinFileSuffix)); });
    r.run(102, [&] { OpenHomePageOccasionally(*m_services.random, *m_services.browser); });
    r.run(104, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(m_setup.icon);
        SetApplicationTitle();
    });

    const QString handFile = dataFile(kHandPointerSuffix);
    if (r.test(122, [&] { return db::FileExists(handFile); }))
        r.run(124, [&] { m_handPointer = loadCursorFile(handFile); });

    r.run(126, [&] { m_Text1->setText(m_settings.getSetting(keys::kDatabase, QString())); });
    r.run(128, [&] { m_Text2->setText(m_settings.getSetting(keys::kPassword, QString())); });

    // A database named on the command line is opened as "Next >" opens it, whether or not
    // it exists (a missing one leaves the user here with its path in the box). Otherwise a
    // database used last time that still exists is opened at once. Either way the user
    // starts in the export window.
    if (!m_setup.startDatabase.isEmpty()) {
        r.run(130, [&] { m_Text1->setText(m_setup.startDatabase); });
        r.run(132, [&] { PushButton3_Click(); });
    } else if (r.test(130, [&] { return db::FileExists(m_Text1->text()); })) {
        r.run(132, [&] { PushButton3_Click(); });
    }

    r.run(134, [&] { db::CheckAccessInstalled(m_dialogue); });
    m_loading = false;
}

void Form1::PushButton1_Click()
{
    report::ReportingRoutine r(report::location::kForm1PushButton1Click, reporter());
    r.run(100, [&] { m_Text1->setText(dataFile(kSampleDatabaseSuffix)); });
}

void Form1::PushButton3_Click()
{
    report::ReportingRoutine r(report::location::kForm1PushButton3Click, reporter());

    // The catalog is read twice: once here to learn whether the database can be read at
    // all, once more by the list filling.
    std::optional<QStringList> result;
    r.run(100, [&] { result = db::NonSystemTables(m_Text1->text(), catalogContext()); });
    if (r.test(102, [&] { return !result.has_value(); })) {
        r.run(104, [&] { result.reset(); });
        return;
    }

    r.run(106, [&] {
        ExportStep& form2 = m_setup.form2();
        db::AddTablesToAccessListbox(form2.ListView1(), m_Text1->text(), m_Text2->text(), catalogContext());
    });
    r.run(108, [&] { m_setup.form2().Show(); });
    r.run(110, [&] {
        hide();
        if (m_loading)
            m_movedOnDuringLoad = true;
    });
}

void Form1::PushButton5_Click()
{
    report::ReportingRoutine r(report::location::kForm1PushButton5Click, reporter());

    // The dialog's properties, set one statement at a time as the dialog control takes them.
    QString fileName;
    QString title;
    QString filter;
    r.run(100, [&] { fileName.clear(); });
    // The classic flags (read-only box ticked, explorer style, long names) have no
    // counterpart here: Qt's dialog is always of that kind, and the read-only box is
    // never read.
    r.run(102, [] {});
    r.run(104, [&] { title = kOpenDialogTitle; });
    r.run(106, [&] { filter = kOpenDialogFilter; });
    r.run(108, [&] { fileName = m_services.fileDialogs->openFile(this, title, filter, QString()); });
    if (r.test(110, [&] { return !fileName.isEmpty(); }))
        r.run(112, [&] { m_Text1->setText(QDir::toNativeSeparators(fileName)); });
}

void Form1::Text1_Change()
{
    m_settings.saveSetting(keys::kDatabase, m_Text1->text());
}

void Form1::Text2_Change()
{
    m_settings.saveSetting(keys::kPassword, m_Text2->text());
}

void Form1::Text1_GotFocus()
{
    m_Text1->setSelection(0, int(m_Text1->text().size()));
}

void Form1::Text2_GotFocus()
{
    m_Text2->setSelection(0, int(m_Text2->text().size()));
}

void Form1::Form_Unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    if (m_setup.endProgram)
        m_setup.endProgram();
    else
        QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form1::setMousePointer(int setting)
{
    m_mousePointer = setting;
    switch (setting) {
    case pointer::kHourglass:
        setCursor(Qt::WaitCursor);
        break;
    case pointer::kCustom:
        // Without the hand pointer file the custom pointer has no picture: the default shows.
        if (m_handPointer)
            setCursor(*m_handPointer);
        else
            unsetCursor();
        break;
    default:
        unsetCursor();
        break;
    }
}

void Form1::hoverOver(bool overButton)
{
    const int next = hoverPointer(m_mousePointer, overButton);
    if (next != m_mousePointer)
        setMousePointer(next);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const bool pressed = static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
        if (watched == m_PushButton1 || watched == m_PushButton3 || watched == m_PushButton5) {
            hoverOver(true);
            // Passed on, the move would reach the frame or the window, whose rule undoes
            // the hand at once. A pressed button still needs its moves.
            return !pressed;
        }
        if (watched == m_Label5 || watched == m_lblPassword)
            return !pressed; // labels keep whatever pointer the last move set
        hoverOver(false);
        break;
    }
    case QEvent::FocusIn:
        if (watched == m_Text1)
            Text1_GotFocus();
        else if (watched == m_Text2)
            Text2_GotFocus();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quorvane::app
