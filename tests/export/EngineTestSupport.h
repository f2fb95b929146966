#pragma once

// Runs the export engine over a fake host in a temporary output folder.

#include "FakeExportHost.h"
#include "QtPrinters.h"

#include "export/TableExportEngine.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane::fakes {

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        host.folder = m_dir.path();
        // Values in the C rules unless a test says otherwise.
        qputenv("LC_ALL", "C");
    }
    void TearDown() override { qunsetenv("LC_ALL"); }

    exporter::ExportResult runExport()
    {
        exporter::TableExportEngine engine(host.host(), std::chrono::milliseconds(0));
        m_engine = &engine;
        auto result = engine.run();
        m_engine = nullptr;
        return result;
    }

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QByteArray file(const QString& name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return f.readAll();
    }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden); }
    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    FakeExportHost host;
    exporter::TableExportEngine* m_engine = nullptr;
    QTemporaryDir m_dir;
};

} // namespace quorvane::fakes
