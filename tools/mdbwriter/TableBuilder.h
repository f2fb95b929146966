#pragma once

#include "Column.h"
#include "DataPage.h"
#include "FileFormat.h"
#include "JetText.h"
#include "LongValueStore.h"

#include "db/Value.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quorvane::mdbwriter {

class PageFile;

// One table on its way into the file: encodes rows into data pages as they come (a
// full page goes to the file at once, so a table of any size needs one page of memory
// plus one per long-value column), then writes the usage maps and the definition.
class TableBuilder {
public:
    enum class Kind { User, System };

    // Pages of the definition of a table with these columns.
    static int definitionPageCount(const FileFormat& format, const std::vector<Column>& columns);
    // What is wrong with the columns, empty when they can be written.
    static QString checkColumns(const FileFormat& format, const std::vector<Column>& columns);

    // `definitionPage` is the first definition page; rows name it as their owner.
    TableBuilder(PageFile& file, const TextEncoding& text, QString name, std::vector<Column> columns, Kind kind,
                 std::uint32_t definitionPage);
    ~TableBuilder();

    const QString& name() const { return m_name; }
    std::uint32_t definitionPage() const { return m_definitionPage; }
    qint64 rowCount() const { return m_rowCount; }

    // Maps of every kind of page this table owns go to map pages of their own even
    // when they would fit the row (a table with them reads the same).
    void setReferenceMaps(bool on) { m_forceReferenceMaps = on; }
    // Every n-th row (0: none) is stored as Access leaves a row that outgrew its place
    // when edited: the record on a page further on, flagged so a scan passes it, and
    // a pointer to it where the row stood; a deleted copy of it stays behind too.
    void setEditedRows(int every) { m_editedEvery = every; }
    // The MSysComplexColumns row of the complex column `column`, kept in its definition.
    void setComplexId(std::size_t column, std::uint32_t id)
    {
        m_complexIds.resize(std::max(m_complexIds.size(), column + 1));
        m_complexIds[column] = id;
    }

    // One value per column, in column order; Null fits every column (a Null Yes/No
    // reads back as No, since Jet keeps no Null for it).
    bool addRow(std::span<const db::Value> values, QString& error);
    // Writes the last data and long-value pages.
    bool finish(QString& error);
    // The usage-map rows the definition points at: pages owned, pages with free space,
    // then the same two for each long-value column. Maps too wide to sit in the row
    // go to map pages of their own, which this allocates and writes.
    std::vector<QByteArray> usageMapRows(QString& error);
    // Writes the definition to `pages` (definitionPageCount() of them, the first being
    // definitionPage()), with the usage-map rows at `mapPage`, rows `firstMapRow`...
    bool writeDefinition(const std::vector<std::uint32_t>& pages, std::uint32_t mapPage, int firstMapRow,
                         QString& error);

private:
    bool encodeValue(const Column& column, const db::Value& value, int columnIndex, QString& error);
    bool encodeCalculated(const Column& column, const db::Value& value, int columnIndex, QString& error);
    bool encodeText(const Column& column, const QString& text, QByteArray& out, QString& error) const;
    bool appendVariable(const Column& column, const QByteArray& data, int columnIndex, QString& error);
    void appendOffsetTable(int varBase);
    bool placeRow(QString& error);
    bool addToPage(DataPage& page, bool& open, std::span<const std::uint8_t> row, std::uint16_t flags, int& number,
                   QString& error);
    QByteArray usageMap(const std::vector<std::uint32_t>& pages, QString& error);
    QByteArray definitionBytes(std::uint32_t mapPage, int firstMapRow) const;

    PageFile& m_file;
    const FileFormat& m_format;
    const TextEncoding& m_text;
    QString m_name;
    std::vector<Column> m_columns;
    Kind m_kind;
    std::uint32_t m_definitionPage;
    std::vector<int> m_fixedOffsets;  // per column, within the fixed part
    std::vector<int> m_varIndexes;    // per column, -1 for fixed ones
    std::vector<int> m_longValueSlot; // per column, index into m_longValues or -1
    int m_fixedSize = 0;
    int m_varCount = 0;
    std::vector<std::unique_ptr<LongValueStore>> m_longValues;

    DataPage m_page;
    bool m_pageOpen = false;
    bool m_forceReferenceMaps = false;
    int m_editedEvery = 0;
    std::vector<std::uint32_t> m_complexIds; // per column, 0 for all but complex ones
    DataPage m_movedPage;
    bool m_movedOpen = false;
    std::vector<std::uint32_t> m_pages;
    qint64 m_rowCount = 0;

    // The row being encoded: fixed part, variable data, null mask.
    std::vector<std::uint8_t> m_row;
    std::vector<std::uint8_t> m_var;
    std::vector<std::uint16_t> m_varStarts;
    std::vector<std::uint8_t> m_nullMask;
};

} // namespace quorvane::mdbwriter
