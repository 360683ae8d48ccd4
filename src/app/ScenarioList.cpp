#include "app/ScenarioList.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

namespace tess {
namespace {

// Draws the caret line as list boxes do: a dotted rectangle round the line
// and nothing else, so that only selected lines look selected (the style
// would tint the current line as if it were).
class CaretLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain = option;
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
        if (!(option.state & QStyle::State_HasFocus)) return;
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText
                                                           : QPalette::Text),
                             1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

}  // namespace

ScenarioList::ScenarioList(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setItemDelegate(new CaretLineDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);  // constant-time layout for long scenarios
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setObjectName("ListBox1");
}

int ScenarioList::CaretLine() const {
    QModelIndex current = currentIndex();
    if (!current.isValid() || current.row() >= Count()) return 0;
    return current.row();
}

void ScenarioList::SetCaretLine(int index) {
    if (index < 0 || index >= Count()) return;
    selectionModel()->setCurrentIndex(model_.index(index), QItemSelectionModel::NoUpdate);
}

bool ScenarioList::SetSelected(int index, bool selected) {
    QItemSelectionModel* sel = selectionModel();
    if (index == -1) {
        if (!selected) {
            sel->clearSelection();
        } else if (Count() > 0) {
            sel->select(QItemSelection(model_.index(0), model_.index(Count() - 1)),
                        QItemSelectionModel::Select);
        }
        return true;
    }
    if (index < 0 || index >= Count()) return false;
    QModelIndex item = model_.index(index);
    if (selected) {
        sel->setCurrentIndex(item, QItemSelectionModel::Select);
        scrollTo(item);
    } else {
        sel->select(item, QItemSelectionModel::Deselect);
    }
    return true;
}

bool ScenarioList::IsSelected(int index) const {
    return index >= 0 && index < Count() && selectionModel()->isSelected(model_.index(index));
}

void ScenarioList::SelectLines(const std::vector<int>& indexes) {
    std::vector<int> rows = indexes;
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        if (rows[i] < 0 || rows[i] >= Count()) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] <= rows[j] + 1 && rows[j + 1] < Count()) ++j;
        selection.append(QItemSelectionRange(model_.index(rows[i]), model_.index(rows[j])));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

std::vector<char> ScenarioList::SelectionFlags() const {
    std::vector<char> flags(static_cast<size_t>(Count()), 0);
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid()) continue;
        int top = std::max(range.top(), 0), bottom = std::min(range.bottom(), Count() - 1);
        if (top <= bottom) std::fill(flags.begin() + top, flags.begin() + bottom + 1, 1);
    }
    return flags;
}

int ScenarioList::SelectedCount() const {
    const std::vector<char> flags = SelectionFlags();
    return static_cast<int>(std::count(flags.begin(), flags.end(), 1));
}

int ScenarioList::DeleteSelected() {
    std::vector<char> flags = SelectionFlags();
    int caret = CaretLine();
    int above = static_cast<int>(
        std::count(flags.begin(), flags.begin() + std::min<size_t>(caret, flags.size()), 1));
    int removed = model_.RemoveFlagged(flags);
    if (removed > 0 && Count() > 0) SetCaretLine(std::min(caret - above, Count() - 1));
    return removed;
}

void ScenarioList::mousePressEvent(QMouseEvent* event) {
    // A right click opens the pop-up menu over the selection the user made;
    // it neither changes the selection nor moves the caret.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void ScenarioList::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 and the Menu key open the pop-up menu at the caret line.
    const bool menuKey = event->key() == Qt::Key_Menu ||
                         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        const QRect line = Count() > 0 ? visualRect(model_.index(CaretLine())) : QRect();
        emit customContextMenuRequested(line.isValid() ? line.bottomLeft() : QPoint(0, 0));
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

QString ScenarioList::HintText() const {
    if (Count() == 0) return QStringLiteral("New scenario");
    return model_.data(model_.index(CaretLine()), Qt::DisplayRole).toString();
}

bool ScenarioList::viewportEvent(QEvent* event) {
    // The hint always names the caret line, wherever the pointer rests.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), HintText(), viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

}  // namespace tess
