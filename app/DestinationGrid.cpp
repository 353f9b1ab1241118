// Destination grid: keeps the view's current cell and the snapshot's current
// row together, and limits what an editor accepts to what the column holds.
#include "app/DestinationGrid.h"

#include "app/DestinationModel.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

namespace tramex {
namespace {

bool IsPlainEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
    return plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}

class ColumnDelegate : public QStyledItemDelegate {
  public:
    explicit ColumnDelegate(DestinationGrid* grid)
        : QStyledItemDelegate(grid), grid_(grid), model_(grid->Model()) {}

    // Enter in an editor takes its text and goes to the next cell here, and
    // the key ends here: the toolkit would otherwise also hand it on to the
    // grid and commit once more later, each of them moving on again.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsPlainEnter(event)) return QStyledItemDelegate::eventFilter(watched, event);
        grid_->CommitOpenEditor();
        grid_->MoveToNextCell();
        return true;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        if (const int width = model_->WidthAt(index.column()); width > 0)
            editor->setMaxLength(width);
        if (model_->KindAt(index.column()) == FieldKind::Integer)
            editor->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("-?[0-9]{0,10}")), editor));
        return editor;
    }

  private:
    DestinationGrid* grid_;
    DestinationModel* model_;
};

}  // namespace

DestinationGrid::DestinationGrid(DestinationModel* model, QWidget* parent)
    : QTableView(parent), model_(model) {
    setObjectName("DBGridEh2");
    setModel(model);
    setItemDelegate(new ColumnDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(20);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (syncing_ || model_->Changing() || !current.isValid()) return;
                model_->MakeCurrent(current.row());
                SyncCurrent();
            });
}

int DestinationGrid::CurrentColumn() const {
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

void DestinationGrid::SyncCurrent() {
    const int row = model_->CurrentRow();
    if (row < 0) return;
    syncing_ = true;
    setCurrentIndex(model_->index(row, CurrentColumn()));
    syncing_ = false;
}

void DestinationGrid::MoveTo(int row, int column) {
    model_->MakeCurrent(row);
    syncing_ = true;
    setCurrentIndex(model_->index(model_->CurrentRow(), column));
    syncing_ = false;
}

void DestinationGrid::CommitOpenEditor() {
    if (QWidget* editor = indexWidget(currentIndex()); editor && state() == EditingState) {
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DestinationGrid::DiscardOpenEditor() {
    if (QWidget* editor = indexWidget(currentIndex()); editor && state() == EditingState)
        QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void DestinationGrid::MoveToNextCell() {
    if (model_->rowCount() == 0) return;
    // Visual order: the operator may have moved the columns.
    const int visual = horizontalHeader()->visualIndex(CurrentColumn());
    const int row = std::max(model_->CurrentRow(), 0);
    if (visual + 1 < model_->columnCount())
        MoveTo(row, horizontalHeader()->logicalIndex(visual + 1));
    else if (row + 1 < model_->rowCount())
        MoveTo(row + 1, horizontalHeader()->logicalIndex(0));
}

bool DestinationGrid::IncrementalSearch(const QString& text) {
    const int column = CurrentColumn();
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (model_->index(row, column).data().toString().startsWith(text, Qt::CaseInsensitive)) {
            MoveTo(row, column);
            return true;
        }
    }
    return false;
}

bool DestinationGrid::FindNext(const QString& text) {
    const int rows = model_->rowCount();
    const int from = model_->CurrentRow();
    for (int step = 1; step <= rows; ++step) {
        const int row = (from + step + rows) % rows;
        for (int column = 0; column < model_->columnCount(); ++column) {
            if (model_->index(row, column).data().toString().contains(text, Qt::CaseInsensitive)) {
                MoveTo(row, column);
                return true;
            }
        }
    }
    return false;
}

void DestinationGrid::AskAndFind() {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("Buscar"), QStringLiteral("Texto a buscar:"),
                              QLineEdit::Normal, QString(), &accepted);
    if (accepted && !text.isEmpty()) FindNext(text);
}

void DestinationGrid::First() { MoveTo(0, CurrentColumn()); }
void DestinationGrid::Prior() { MoveTo(std::max(model_->CurrentRow() - 1, 0), CurrentColumn()); }
void DestinationGrid::Next() { MoveTo(model_->CurrentRow() + 1, CurrentColumn()); }
void DestinationGrid::Last() { MoveTo(model_->rowCount() - 1, CurrentColumn()); }

void DestinationGrid::InsertRow() {
    DiscardOpenEditor();
    model_->InsertRow();
    SyncCurrent();
}

void DestinationGrid::DeleteRow() {
    DiscardOpenEditor();
    model_->DeleteCurrent();
    SyncCurrent();
}

void DestinationGrid::CancelRow() {
    DiscardOpenEditor();
    model_->CancelRow();
    SyncCurrent();
}

void DestinationGrid::keyPressEvent(QKeyEvent* event) {
    if (IsPlainEnter(event)) {
        MoveToNextCell();
        return;
    }
    if (event->matches(QKeySequence::Find)) {
        AskAndFind();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace tramex
