#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

class QAbstractItemModel;
class QHeaderView;

namespace custodia {

// The columns a header shows, from left to right as the supervisor has arranged them.
std::vector<int> ShownColumns(const QHeaderView& header);

// The rows of the model (a view's sorted and filtered rows) as CSV, in UTF-8: the columns' headers
// first, then one line a row, the displayed text of each column in the order given.
std::string ShownRowsCsv(const QAbstractItemModel& model, const std::vector<int>& columns);

// Writes the text whole in place of the file (through a new file renamed over it, so that a failed
// write leaves no half file); the system's reason when it could not.
std::optional<QString> WriteWholeFile(const QString& fileName, const std::string& text);

} // namespace custodia
