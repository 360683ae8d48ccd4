#include "app/ScenarioModel.h"

#include <algorithm>

namespace tess {

ScenarioModel::ScenarioModel(QObject* parent) : QAbstractListModel(parent) {}

int ScenarioModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant ScenarioModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        const std::string& line = Line(index.row());
        return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    }
    return {};
}

void ScenarioModel::SetLines(std::vector<std::string> lines) {
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

void ScenarioModel::AppendLines(std::vector<std::string> lines) {
    if (lines.empty()) return;
    int first = Count();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    endInsertRows();
}

void ScenarioModel::InsertLine(int index, std::string text) {
    index = std::clamp(index, 0, Count());
    beginInsertRows({}, index, index);
    lines_.insert(lines_.begin() + index, std::move(text));
    endInsertRows();
}

void ScenarioModel::ReplaceLine(int index, std::string text) {
    if (index < 0 || index >= Count()) return;
    lines_[static_cast<size_t>(index)] = std::move(text);
    QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ScenarioModel::Clear() { SetLines({}); }

int ScenarioModel::RemoveFlagged(const std::vector<char>& flags) {
    size_t limit = std::min(flags.size(), lines_.size());
    int removed = static_cast<int>(std::count_if(flags.begin(), flags.begin() + limit,
                                                 [](char f) { return f != 0; }));
    if (removed == 0) return 0;
    // One reset instead of one removal per line: row removals would make the
    // selection model rework its ranges for every line.
    beginResetModel();
    size_t kept = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i < limit && flags[i]) continue;
        if (kept != i) lines_[kept] = std::move(lines_[i]);
        ++kept;
    }
    lines_.resize(kept);
    endResetModel();
    return removed;
}

}  // namespace tess
