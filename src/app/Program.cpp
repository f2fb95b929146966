#include "Program.h"

#include "Main.h"

#include "app/report/ApplicationError.h"
#include "export/widgets/Form2.h"
#include "export/widgets/TableListView.h"

#include <QApplication>

namespace quorvane::app {

namespace {

template <class T>
T* either(T* chosen, T* fallback)
{
    return chosen ? chosen : fallback;
}

} // namespace

Program::Program(UiServices services, const QString& startDatabase)
    : m_services{either<MessageBoxes>(services.messageBoxes, &m_messageBoxes),
                 either<FileDialogs>(services.fileDialogs, &m_fileDialogs),
                 either<BrowserOpener>(services.browser, &m_browser),
                 either<RandomSource>(services.random, &m_random), either<Clock>(services.clock, &m_clock)}
    , m_reporter(*m_services.messageBoxes)
    , m_icon(QStringLiteral(":/quorvane/quorvane.png"))
{
    Form1Setup setup;
    setup.form2 = [this]() -> ExportStep& { return *this; };
    setup.endProgram = [this] { endProgram(); };
    setup.reporter = &m_reporter;
    setup.icon = m_icon;
    setup.startDatabase = startDatabase;
    m_form1 = std::make_unique<Form1>(m_settings, m_services, std::move(setup));
    m_reporter.setFallbackOwner(m_form1.get());
}

Program::~Program()
{
    report::setErrorReporter(nullptr);
}

void Program::start()
{
    report::setErrorReporter(&m_reporter);
    m_form1->start();
}

int Program::run()
{
    start();
    if (m_ending)
        return 0;
    return QApplication::exec();
}

exporter::Form2& Program::form2()
{
    if (!m_form2) {
        exporter::Form2Setup setup;
        setup.programFolder = dataFolderFor(kHandPointerSuffix);
        setup.icon = m_icon;
        setup.showForm1 = [this] { m_form1->show(); };
        setup.endProgram = [this] { endProgram(); };
        setup.reporter = &m_reporter;
        m_form2 = std::make_unique<exporter::Form2>(*m_form1, m_settings, m_services, std::move(setup));
    }
    return *m_form2;
}

db::TableListTarget& Program::ListView1()
{
    return form2().ListView1();
}

void Program::Show()
{
    form2().show();
}

void Program::endProgram()
{
    if (m_ending)
        return;
    m_ending = true;
    // A running export stops at its next yield and writes nothing more; the windows go at
    // once, the objects when the event loop has returned.
    if (m_form2) {
        m_form2->prepareToEnd();
        m_form2->hide();
    }
    m_form1->hide();
    QCoreApplication::exit(0);
}

} // namespace quorvane::app
