#include "bulk/ListExport.h"

#include "parsers/DelimitedText.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QSaveFile>

namespace custodia {

std::vector<int> ShownColumns(const QHeaderView& header)
{
    std::vector<int> columns;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int column = header.logicalIndex(visual);
        if (!header.isSectionHidden(column))
            columns.push_back(column);
    }
    return columns;
}

std::string ShownRowsCsv(const QAbstractItemModel& model, const std::vector<int>& columns)
{
    std::string text;
    std::vector<std::string> fields;
    fields.reserve(columns.size());
    for (const int column : columns)
        fields.push_back(model.headerData(column, Qt::Horizontal).toString().toStdString());
    delimited::AppendRow(text, fields, delimited::Format::Csv);
    for (int row = 0; row < model.rowCount(); ++row) {
        fields.clear();
        for (const int column : columns)
            fields.push_back(model.index(row, column).data().toString().toStdString());
        delimited::AppendRow(text, fields, delimited::Format::Csv);
    }
    return text;
}

std::optional<QString> WriteWholeFile(const QString& fileName, const std::string& text)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace custodia
