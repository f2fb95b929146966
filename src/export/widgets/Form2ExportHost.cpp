#include "Form2ExportHost.h"

#include "Form2.h"
#include "TableListView.h"
#include "TextProgressBar.h"

#include "report/ApplicationError.h"
#include "report/Locations.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>

namespace quorvane::exporter {

Form2ExportHost::Form2ExportHost(Form2& form)
    : m_form(form)
{
}

ExportHost Form2ExportHost::host(const db::ConnectionInputs& database, db::ObjectFactory& factory)
{
    ExportHost host;
    host.options = this;
    host.tables = this;
    host.progress = this;
    host.events = this;
    host.pointer = this;
    host.messages = this;
    host.failures = this;
    host.database = &database;
    host.factory = &factory;
    return host;
}

QString Form2ExportHost::outputFolder() const
{
    return m_form.m_Text1->text();
}

QString Form2ExportHost::separator() const
{
    return m_form.m_Text2->text();
}

bool Form2ExportHost::headerLine() const
{
    return m_form.m_Check6->isChecked();
}

bool Form2ExportHost::quotes() const
{
    return m_form.m_Check1->isChecked();
}

bool Form2ExportHost::oneFilePerTable() const
{
    return !m_form.m_unloading && m_form.m_Option1->isChecked();
}

bool Form2ExportHost::oneFileForAll() const
{
    return !m_form.m_unloading && m_form.m_Option2->isChecked();
}

int Form2ExportHost::count() const
{
    return m_form.m_unloading ? 0 : m_form.m_ListView1->itemCount();
}

QString Form2ExportHost::name(int index) const
{
    return m_form.m_ListView1->itemText(index);
}

bool Form2ExportHost::isTicked(int index) const
{
    return m_form.m_ListView1->isItemChecked(index);
}

void Form2ExportHost::setValue(double value)
{
    m_form.m_ProgressBar1->setProgress(value);
}

void Form2ExportHost::setText(const QString& text)
{
    m_form.m_ProgressBar1->setProgressText(text);
}

void Form2ExportHost::processEvents()
{
    QCoreApplication::processEvents();
}

bool Form2ExportHost::stopRequested() const
{
    return m_form.m_unloading;
}

void Form2ExportHost::restoreDefault()
{
    m_form.setMousePointer(pointer::kDefault);
}

void Form2ExportHost::showMessage(const QString& text)
{
    if (!m_form.m_unloading && m_form.m_services.messageBoxes) {
        m_form.m_services.messageBoxes->show(&m_form, text, app::mb::kOkOnly, QString());
    }
}

void Form2ExportHost::exportFailed(const ExportFailure& failure)
{
    if (!m_form.m_unloading) {
        report::ShowApplicationError(m_form.reporter(), failure.description,
                                     report::location::kForm2PushButton5Click, failure.statement, failure.number);
    }
}

} // namespace quorvane::exporter
