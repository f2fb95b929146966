#include "Form2.h"

#include "AddFolder.h"
#include "Form2ExportHost.h"
#include "QtFolderDialog.h"
#include "TableListView.h"
#include "TextProgressBar.h"

#include "app/appearance/Appearance.h"
#include "app/report/ApplicationError.h"
#include "app/report/Locations.h"
#include "app/report/ReportingRoutine.h"
#include "app/report/RuntimeError.h"
#include "app/settings/SettingConversions.h"
#include "app/settings/SettingsStore.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "app/appearance/WindowMetrics.h"
#include "db/FileExists.h"
#include "export/TableExportEngine.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace quorvane::exporter {

namespace {

using app::arialBold;
using app::twipsRect;

int px(int twips)
{
    return app::twipsToPixels(twips);
}

// A frame as drawn: a thin line around its controls with the caption set into the top
// line, so that the positions inside the frame start at the frame's own top edge.
const QString kFrameStyle = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px; }");

const QString kTitle = QStringLiteral("Quorvane");
const QString kProgressIdle = QStringLiteral("Progress Bar");
const QString kFolderPickerTitle = QStringLiteral("Please select folder:");

// Sets an option button the way assigning its value does: selecting it clears its
// partner and runs its click handler; clearing it touches nothing else.
void setOptionValue(QRadioButton* option, bool value)
{
    if (value) {
        option->setChecked(true);
    } else if (option->isChecked()) {
        // An exclusive button refuses to be cleared directly.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

} // namespace

Form2::Form2(const db::ConnectionInputs& form1, app::SettingsStore& settings, app::UiServices services,
             Form2Setup setup, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_form1(form1)
    , m_settings(settings)
    , m_services(services)
    , m_setup(std::move(setup))
{
    setObjectName(QStringLiteral("Form2"));
    // A fixed single border: a close box and a minimise box, nothing to maximise or resize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(px(8040), px(8460));
    setFont(arialBold(9));
    buildControls();
    setTabOrder();
    connectHandlers();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    const auto button = [this](const char* name, const QString& caption, QWidget* parent, QRect geometry) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setFont(arialBold(11.25));
        b->setGeometry(geometry);
        b->setAutoDefault(false);
        return b;
    };
    const auto frame = [this](const char* name, const QString& caption, QRect geometry) {
        auto* f = new QGroupBox(caption, this);
        f->setObjectName(QLatin1String(name));
        f->setGeometry(geometry);
        f->setStyleSheet(kFrameStyle);
        return f;
    };

    m_PushButton2 = button("PushButton2", QStringLiteral("< Back"), this, twipsRect(120, 120, 7800, 405));

    m_ListView1 = new TableListView(this);
    m_ListView1->setObjectName(QStringLiteral("ListView1"));
    m_ListView1->setGeometry(twipsRect(120, 630, 7800, 1875));
    m_ListView1->setHeaderLabel(QString()); // the heading arrives with Form_Load

    m_PushButton1 = button("PushButton1", QStringLiteral("Select All"), this, twipsRect(120, 2580, 3840, 405));
    m_PushButton3 = button("PushButton3", QStringLiteral("Deselect All"), this, twipsRect(4080, 2580, 3840, 405));

    m_Frame3 = frame("Frame3", QStringLiteral("Seperate Each Field With This Character/s"), twipsRect(120, 3030, 7800, 800));
    m_Text2 = new QLineEdit(m_Frame3);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    m_Text2->setGeometry(twipsRect(240, 300, 7320, 330));

    m_Frame4 = frame("Frame4", QStringLiteral("First Line Option"), twipsRect(120, 3870, 7800, 700));
    m_Check6 = new QCheckBox(QStringLiteral("First line in text file will contain field names"), m_Frame4);
    m_Check6->setObjectName(QStringLiteral("Check6"));
    m_Check6->setGeometry(twipsRect(240, 300, 4335, 255));
    m_Check6->setChecked(true);

    m_Frame6 = frame("Frame6", QStringLiteral("Quote Option"), twipsRect(120, 4650, 7800, 700));
    m_Check1 = new QCheckBox(QStringLiteral("Add quotes around each entry"), m_Frame6);
    m_Check1->setObjectName(QStringLiteral("Check1"));
    m_Check1->setGeometry(twipsRect(240, 300, 4335, 255));
    m_Check1->setChecked(true);

    m_Frame1 = frame("Frame1", QStringLiteral("Save Option"), twipsRect(120, 5430, 7800, 1020));
    m_Option1 = new QRadioButton(QStringLiteral("Save each selected table to separate text file"), m_Frame1);
    m_Option1->setObjectName(QStringLiteral("Option1"));
    m_Option1->setGeometry(twipsRect(180, 300, 5190, 285));
    m_Option1->setChecked(true);
    m_Option2 = new QRadioButton(QStringLiteral("Save selected tables to one text file"), m_Frame1);
    m_Option2->setObjectName(QStringLiteral("Option2"));
    m_Option2->setGeometry(twipsRect(180, 650, 5190, 285));

    m_Frame2 = frame("Frame2", QStringLiteral("Save Results To This Folder"), twipsRect(120, 6510, 7800, 800));
    m_Text1 = new QLineEdit(m_Frame2);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setGeometry(twipsRect(240, 300, 6615, 330));
    m_PushButton4 = button("PushButton4", QStringLiteral("..."), m_Frame2, twipsRect(6960, 300, 600, 330));

    m_PushButton5 = button("PushButton5", QStringLiteral("Start Exporting"), this, twipsRect(120, 7430, 7800, 405));

    m_ProgressBar1 = new TextProgressBar(this);
    m_ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_ProgressBar1->setGeometry(twipsRect(120, 7950, 7800, 405));
    m_ProgressBar1->setProgressText(kProgressIdle);

    // A frame's style sheet keeps its controls from taking the window's font; every control
    // holds its own, as each control of the window is drawn with its own font.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (!qobject_cast<QPushButton*>(child)) {
            child->setFont(arialBold(9));
        }
    }

    // The hover rule follows the mouse over the buttons, the background, the frames and
    // the list; text boxes, check boxes, option buttons and the bar leave it alone.
    QList<QWidget*> tracked{this, m_Frame1, m_Frame2, m_Frame3, m_Frame4, m_Frame6, m_ListView1->viewport(),
                            m_PushButton1, m_PushButton2, m_PushButton3, m_PushButton4, m_PushButton5};
    for (QWidget* widget : tracked) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
}

void Form2::setTabOrder()
{
    // Frames and the progress bar take no focus; the rest in the window's tab order.
    const QList<QWidget*> order{m_Option2, m_Option1, m_PushButton1, m_PushButton3, m_PushButton2, m_PushButton5,
                                m_Text1, m_PushButton4, m_Text2, m_Check6, m_Check1, m_ListView1};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    m_ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

void Form2::connectHandlers()
{
    connect(m_PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(m_PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(m_PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(m_PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(m_PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    // Changes made by the program count as much as the user's: restoring a value at load
    // writes it back, as typing does.
    connect(m_Text1, &QLineEdit::textChanged, this, &Form2::Text1_Change);
    connect(m_Text2, &QLineEdit::textChanged, this, &Form2::Text2_Change);
    connect(m_Check6, &QCheckBox::toggled, this, &Form2::Check6_Click);
    connect(m_Check1, &QCheckBox::toggled, this, &Form2::Check1_Click);
    // An option button clicks when it becomes selected, not when its partner takes over.
    connect(m_Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Option1_Click();
        }
    });
    connect(m_Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Option2_Click();
        }
    });
}

TableListView& Form2::ListView1()
{
    ensureLoaded();
    return *m_ListView1;
}

void Form2::ensureLoaded()
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

report::ErrorReporter& Form2::reporter() const
{
    return m_setup.reporter ? *m_setup.reporter : report::errorReporter();
}

void Form2::Form_Load()
{
    report::ReportingRoutine r(report::location::kForm2FormLoad, reporter());

    r.run(100, [&] { app::ApplySystemColours(*this); });
    r.run(102, [&] { setWindowIcon(m_setup.icon); });
    const QString handFile = m_setup.programFolder + QDir::toNativeSeparators(app::kHandPointerSuffix);
    if (r.test(104, [&] { return db::FileExists(handFile); })) {
        r.run(106, [&] { m_handPointer = app::loadCursorFile(handFile); });
    }
    r.run(108, [&] { setWindowTitle(kTitle); });
    r.run(110, [&] { m_ListView1->setHeaderLabel(QStringLiteral("Table(s)")); });
    r.run(112, [&] { m_ListView1->header()->resizeSection(0, px(6000)); });

    r.run(116, [&] {
        const QString base = desktopOrHome(m_setup.desktopFolder, m_setup.homeFolder);
        const QString fallback = QDir::toNativeSeparators(base) + QDir::separator();
        m_Text1->setText(m_settings.getSetting(app::keys::kOutputFolder, fallback));
    });
    r.run(118, [&] { m_Text2->setText(m_settings.getSetting(app::keys::kSeparatedBy, QStringLiteral(","))); });
    r.run(120, [&] {
        m_Check6->setChecked(app::isTickedText(m_settings.getSetting(app::keys::kFirstLineFieldNames, QStringLiteral("1"))));
    });
    r.run(122, [&] { m_Check1->setChecked(app::isTickedText(m_settings.getSetting(app::keys::kCheck1, QStringLiteral("1")))); });
    r.run(124, [&] { setOptionValue(m_Option1, app::booleanFromText(m_settings.getSetting(app::keys::kOption1, QStringLiteral("1")))); });
    r.run(126, [&] { setOptionValue(m_Option2, app::booleanFromText(m_settings.getSetting(app::keys::kOption2, QStringLiteral("0")))); });
}

void Form2::setAllRowsChecked(const QString& location, bool checked)
{
    report::ReportingRoutine r(location, reporter());
    const int count = r.value(100, [&] { return m_ListView1->itemCount(); }).value_or(0);
    for (int row = 0; row < count; ++row) {
        r.run(102, [&] { m_ListView1->setItemChecked(row, checked); });
        r.run(104, [] {});
    }
}

void Form2::PushButton1_Click()
{
    setAllRowsChecked(report::location::kForm2PushButton1Click, true);
}

void Form2::PushButton3_Click()
{
    setAllRowsChecked(report::location::kForm2PushButton3Click, false);
}

void Form2::PushButton2_Click()
{
    report::ReportingRoutine r(report::location::kForm2PushButton2Click, reporter());
    r.run(100, [&] {
        if (m_setup.showForm1) {
            m_setup.showForm1();
        }
    });
    r.run(102, [&] { hide(); });
}

void Form2::PushButton4_Click()
{
    report::ReportingRoutine r(report::location::kForm2PushButton4Click, reporter());
    QString folder;
    r.run(100, [&] {
        if (!m_services.fileDialogs) {
            throw report::RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
        }
        folder = AddFolder::BrowseForFolder(*m_services.fileDialogs, this, kFolderPickerTitle, QString());
    });
    // A failed test runs the guarded branch, and here the branch leaves the handler.
    if (r.test(102, [&] { return folder.isEmpty(); })) {
        return;
    }
    r.run(104, [&] { m_Text1->setText(AddFolder::NormalizeFolderPath(folder + QDir::separator())); });
}

void Form2::PushButton5_Click()
{
    // The export yields to the event loop throughout, so this button can be pressed again
    // inside a run; a second run would interleave with the first one's files.
    if (m_exporting || m_unloading) {
        return;
    }
    m_exporting = true;
    setMousePointer(pointer::kHourglass);
    runExport();
    if (m_mousePointer == pointer::kHourglass) {
        setMousePointer(pointer::kDefault);
    }
    m_exporting = false;
}

void Form2::runExport()
{
    if (!m_exportHost) {
        m_exportHost = std::make_unique<Form2ExportHost>(*this);
    }
    db::ObjectFactory& factory = m_setup.factory ? *m_setup.factory : db::objectFactory();
    TableExportEngine engine(m_exportHost->host(m_form1, factory),
                             m_setup.yieldInterval.value_or(TableExportEngine::kDefaultYieldInterval));
    engine.run();
}

void Form2::Text1_Change()
{
    m_settings.saveSetting(app::keys::kOutputFolder, m_Text1->text());
}

void Form2::Text2_Change()
{
    m_settings.saveSetting(app::keys::kSeparatedBy, m_Text2->text());
}

void Form2::Check6_Click()
{
    m_settings.saveSetting(app::keys::kFirstLineFieldNames, app::tickText(m_Check6->isChecked()));
}

void Form2::Check1_Click()
{
    m_settings.saveSetting(app::keys::kCheck1, app::tickText(m_Check1->isChecked()));
}

void Form2::Option1_Click()
{
    storeSaveOptions();
}

void Form2::Option2_Click()
{
    storeSaveOptions();
}

void Form2::storeSaveOptions()
{
    m_settings.saveSetting(app::keys::kOption1, app::booleanText(m_Option1->isChecked()));
    m_settings.saveSetting(app::keys::kOption2, app::booleanText(m_Option2->isChecked()));
}

void Form2::setMousePointer(int setting)
{
    m_mousePointer = setting;
    switch (setting) {
    case pointer::kHourglass:
        setCursor(Qt::WaitCursor);
        break;
    case pointer::kCustom:
        // Without the hand pointer file the custom pointer has no picture: the default shows.
        if (m_handPointer) {
            setCursor(*m_handPointer);
        } else {
            unsetCursor();
        }
        break;
    default:
        unsetCursor();
        break;
    }
}

void Form2::hoverOverButton()
{
    const int setting = app::hoverPointer(m_mousePointer, true);
    if (setting != m_mousePointer) {
        setMousePointer(setting);
    }
}

void Form2::hoverOverBackground()
{
    const int setting = app::hoverPointer(m_mousePointer, false);
    if (setting != m_mousePointer) {
        setMousePointer(setting);
    }
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (qobject_cast<QPushButton*>(watched)) {
            hoverOverButton();
            // A button passes a move it does not need on to its frame or the window, whose
            // own rule would undo the hand at once.
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
                return true;
            }
        } else {
            hoverOverBackground();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::showEvent(QShowEvent* event)
{
    ensureLoaded();
    if (!m_centred) {
        m_centred = true;
        app::centreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

void Form2::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form2::prepareToEnd()
{
    m_unloading = true;
}

void Form2::Form_Unload()
{
    // Ends the program, also in the middle of an export: the export notices at its next
    // yield and stops; nothing needs saving, every option was stored when it changed.
    prepareToEnd();
    if (m_setup.endProgram) {
        m_setup.endProgram();
    } else {
        QCoreApplication::quit();
    }
}

} // namespace quorvane::exporter
