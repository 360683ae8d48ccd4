#pragma once
// The scenario as a list model: one row per action line, held as UTF-8
// strings. Nothing per row but the text, so a million lines stay cheap.
#include <QAbstractListModel>
#include <string>
#include <vector>

namespace tess {

class ScenarioModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ScenarioModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& Line(int index) const { return lines_[static_cast<size_t>(index)]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    void SetLines(std::vector<std::string> lines);
    void AppendLines(std::vector<std::string> lines);
    // `index` is clamped to 0..Count().
    void InsertLine(int index, std::string text);
    void ReplaceLine(int index, std::string text);
    void Clear();
    // Removes every line whose flag is set, in one pass, keeping the order of
    // the rest. Returns the number removed.
    int RemoveFlagged(const std::vector<char>& flags);

private:
    std::vector<std::string> lines_;
};

}  // namespace tess
