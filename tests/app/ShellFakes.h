#pragma once

// Recording stand-ins for the platform services, the error report, the export window and
// the data-access component, shared by the shell's tests.

#include "report/ErrorReporter.h"
#include "app/services/UiServices.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "db/TableListTarget.h"
#include "db/UserDialogue.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane::test {

struct ShownBox {
    QString text;
    int style = 0;
    QString title;
};

class FakeMessageBoxes : public app::MessageBoxes {
public:
    int show(QWidget*, const QString& text, int style, const QString& title) override
    {
        shown.append({text, style, title});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 7) == app::mb::kYesNo ? app::mb::kNo : app::mb::kOk;
    }
    QList<ShownBox> shown;
    std::deque<int> answers;
};

class FakeFileDialogs : public app::FileDialogs {
public:
    QString openFile(QWidget*, const QString& title, const QString& filter, const QString& initialFolder) override
    {
        ++openCount;
        lastTitle = title;
        lastFilter = filter;
        lastInitialFolder = initialFolder;
        return fileToReturn;
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return folderToReturn; }
    QString fileToReturn;
    QString folderToReturn;
    int openCount = 0;
    QString lastTitle;
    QString lastFilter;
    QString lastInitialFolder = QStringLiteral("(not asked)");
};

class FakeBrowser : public app::BrowserOpener {
public:
    bool openUrl(const QString& url) override
    {
        opened.append(url);
        return true;
    }
    QStringList opened;
};

class FakeRandom : public app::RandomSource {
public:
    void seedFromTime() override { ++seeds; }
    double next() override { return value; }
    double value = 0.5;
    int seeds = 0;
};

class FakeClock : public app::Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }
};

struct FakeServices {
    FakeMessageBoxes boxes;
    FakeFileDialogs dialogs;
    FakeBrowser browser;
    FakeRandom random;
    FakeClock clock;
    app::UiServices services() { return {&boxes, &dialogs, &browser, &random, &clock}; }
};

class RecordingReporter : public report::ErrorReporter {
public:
    void showApplicationError(const report::ApplicationError& error) override { reports.append(error); }
    QList<report::ApplicationError> reports;
};

// The user's side of the database layer's questions, recorded.
class RecordingDialogue : public db::UserDialogue {
public:
    bool askYesNo(const QString& text) override
    {
        questions.append(text);
        return answerYes;
    }
    void showMessage(const QString& text) override { messages.append(text); }
    void openWebPage(const QString& address) override { pages.append(address); }
    bool answerYes = false;
    QStringList questions;
    QStringList messages;
    QStringList pages;
};

// A list as plain rows; optionally fails to add a row with a given text.
class VectorList : public db::TableListTarget {
public:
    struct Row {
        QString text;
        bool checked = false;
    };
    void clear() override { rows.clear(); selected = -1; }
    void addItem(const QString& text) override
    {
        if (text == failOn)
            throw db::DbException(7, QStringLiteral("Out of memory"));
        rows.push_back({text, false});
    }
    int itemCount() const override { return int(rows.size()); }
    void setItemChecked(int index, bool checked) override { rows.at(std::size_t(index)).checked = checked; }
    void selectItem(int index) override { selected = index; }

    QStringList texts() const
    {
        QStringList out;
        for (const Row& row : rows)
            out.append(row.text);
        return out;
    }
    bool allChecked() const
    {
        for (const Row& row : rows) {
            if (!row.checked)
                return false;
        }
        return true;
    }
    std::vector<Row> rows;
    int selected = -1;
    QString failOn = QStringLiteral("\x01never");
};

// A database as the data-access component would show it: schema rows, a password, and
// the step (if any) that fails.
struct FakeDatabase {
    QList<std::pair<QString, QString>> schema; // (TABLE_NAME, TABLE_TYPE)
    QString password;
    enum class Failure { None, OpenSchema, Eof, MoveNext, Close } failure = Failure::None;
    int opens = 0;
    int closes = 0;
    QStringList connectionStrings;
};

class FakeSchema : public db::Recordset {
public:
    FakeSchema(FakeDatabase& db) : m_db(db) {}
    void open(const QString&, db::Connection&, std::int16_t, std::int16_t) override {}
    int state() const override { return db::kStateOpen; }
    void close() override
    {
        if (m_db.failure == FakeDatabase::Failure::Close)
            throw db::DbException(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    }
    bool eof() const override
    {
        if (m_db.failure == FakeDatabase::Failure::Eof)
            throw db::DbException(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
        return m_row >= m_db.schema.size();
    }
    void moveNext() override
    {
        if (m_db.failure == FakeDatabase::Failure::MoveNext)
            throw db::DbException(3021, QStringLiteral("No current record."));
        ++m_row;
    }
    qint64 recordCount() const override { return m_db.schema.size(); }
    int fieldCount() const override { return 2; }
    QString fieldName(int index) const override
    {
        return index == 0 ? QStringLiteral("TABLE_NAME") : QStringLiteral("TABLE_TYPE");
    }
    const db::Value& fieldValue(int index) const override
    {
        const auto& row = m_db.schema.at(m_row);
        m_value = db::Value::text(index == 0 ? row.first : row.second);
        return m_value;
    }

private:
    FakeDatabase& m_db;
    qsizetype m_row = 0;
    mutable db::Value m_value;
};

class FakeConnection : public db::Connection {
public:
    FakeConnection(FakeDatabase& db) : m_db(db) {}
    void setMode(int mode) override { m_mode = mode; }
    int mode() const override { return m_mode; }
    void open(const QString& connectionString) override
    {
        m_db.connectionStrings.append(connectionString);
        db::DbError error;
        const std::optional<db::ConnectionSettings> settings = db::parseConnectionString(connectionString, error);
        if (!settings)
            throw db::DbException(error);
        if (settings->password != m_db.password)
            throw db::DbException(db::DbError::badPassword());
        ++m_db.opens;
        m_open = true;
    }
    std::unique_ptr<db::Recordset> openSchema(std::int16_t) override
    {
        if (m_db.failure == FakeDatabase::Failure::OpenSchema)
            throw db::DbException(db::DbError::damaged(QStringLiteral("catalog"), 2));
        return std::make_unique<FakeSchema>(m_db);
    }
    void close() override
    {
        ++m_db.closes;
        m_open = false;
    }
    int state() const override { return m_open ? db::kStateOpen : db::kStateClosed; }

private:
    FakeDatabase& m_db;
    int m_mode = 0;
    bool m_open = false;
};

// Creates connections onto one FakeDatabase; connection creation can be made to fail
// with a chosen error from the n-th attempt on.
class FakeFactory : public db::ObjectFactory {
public:
    explicit FakeFactory(FakeDatabase& db) : m_db(db) {}
    std::unique_ptr<db::Connection> createConnection(const QString&) override
    {
        ++connectionsCreated;
        if (failFrom > 0 && connectionsCreated >= failFrom)
            throw db::DbException(failure);
        return std::make_unique<FakeConnection>(m_db);
    }
    std::unique_ptr<db::Recordset> createRecordset(const QString&) override
    {
        return std::make_unique<FakeSchema>(m_db);
    }
    int connectionsCreated = 0;
    int failFrom = 0;
    db::DbError failure{429, QStringLiteral("ActiveX component can't create object")};

private:
    FakeDatabase& m_db;
};

} // namespace quorvane::test
