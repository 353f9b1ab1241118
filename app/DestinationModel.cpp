// Destination grid model: view rows map onto snapshot rows, shifted by the
// new row while one is being inserted.
#include "app/DestinationModel.h"

#include "common/Error.h"
#include "common/TextCodec.h"
#include "data/Instantanea.h"

#include <limits>
#include <regex>

namespace tramex {
namespace {

// "►" browsing, "I" editing, "*" inserting: the marks data grids have always used.
const QString kBrowseMark = QString(QChar(0x25BA));

// Marks the model as changing for one operation (operations may nest).
class ChangingScope {
  public:
    explicit ChangingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~ChangingScope() { flag_ = was_; }

  private:
    bool& flag_;
    bool was_;
};

bool IsIntegerText(const std::string& text) {
    static const std::regex integer("-?[0-9]{1,10}");
    if (!std::regex_match(text, integer)) return false;
    const long long value = std::stoll(text);
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

DestinationModel::DestinationModel(Instantanea& snapshot, QObject* parent)
    : QAbstractTableModel(parent), snapshot_(snapshot) {
    fields_.fill(-1);
}

void DestinationModel::Reload() {
    beginResetModel();
    for (size_t column = 0; column < kDestinationColumns.size(); ++column)
        fields_[column] =
            snapshot_.Active() ? snapshot_.FindField(kDestinationColumns[column].name) : -1;
    endResetModel();
}

int DestinationModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !snapshot_.Active()) return 0;
    return static_cast<int>(snapshot_.RecordCount()) + (snapshot_.Inserting() ? 1 : 0);
}

int DestinationModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kDestinationColumns.size());
}

int DestinationModel::FieldOf(int column) const {
    return column >= 0 && column < columnCount() ? fields_[static_cast<size_t>(column)] : -1;
}

int DestinationModel::CurrentRow() const {
    if (!snapshot_.Active()) return -1;
    if (!snapshot_.Inserting() && snapshot_.IsEmpty()) return -1;
    return static_cast<int>(snapshot_.RecNo());
}

bool DestinationModel::IsEditRow(int row) const {
    return snapshot_.Editing() && row == CurrentRow();
}

int DestinationModel::SnapshotRow(int row) const {
    if (snapshot_.Inserting() && row > CurrentRow()) return row - 1;
    return row;
}

QVariant DestinationModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const int field = FieldOf(index.column());
    if (field < 0 || index.row() >= rowCount()) return {};
    const std::string bytes =
        IsEditRow(index.row())
            ? snapshot_.FieldText(field)
            : snapshot_.FieldTextAt(static_cast<size_t>(SnapshotRow(index.row())), field);
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

QVariant DestinationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount()) return {};
        return QString::fromUtf8(kDestinationColumns[static_cast<size_t>(section)].title);
    }
    if (section != CurrentRow()) return QString();
    if (snapshot_.Inserting()) return QStringLiteral("*");
    return snapshot_.Editing() ? QStringLiteral("I") : kBrowseMark;
}

Qt::ItemFlags DestinationModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FieldOf(index.column()) >= 0) flags |= Qt::ItemIsEditable;
    return flags;
}

FieldKind DestinationModel::KindAt(int column) const {
    const int field = FieldOf(column);
    return field < 0 ? FieldKind::Text : snapshot_.Fields()[static_cast<size_t>(field)].kind;
}

int DestinationModel::WidthAt(int column) const {
    const int field = FieldOf(column);
    if (field < 0) return 0;
    const FieldDef& def = snapshot_.Fields()[static_cast<size_t>(field)];
    return def.kind == FieldKind::Integer ? 11 : def.width;  // sign and ten digits
}

bool DestinationModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const int field = FieldOf(index.column());
    if (role != Qt::EditRole || field < 0 || index.row() >= rowCount()) return false;
    const std::string bytes = Utf8ToCp1252(value.toString().toStdString());
    const FieldKind kind = KindAt(index.column());
    if (kind == FieldKind::Text && static_cast<int>(bytes.size()) > WidthAt(index.column()))
        return false;
    if (kind == FieldKind::Integer && !bytes.empty() && !IsIntegerText(bytes)) return false;

    MakeCurrent(index.row());
    // An editor closed without a change must not turn NULL into "" or mark the row.
    if (snapshot_.FieldText(field) == bytes) return true;
    const bool toNull = bytes.empty() && kind != FieldKind::Text;
    try {
        snapshot_.SetFieldText(field, toNull ? std::nullopt : std::optional<std::string>(bytes));
    } catch (const Error&) {
        return false;  // a decimal the column cannot hold
    }
    const int row = CurrentRow();
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    RefreshIndicator();
    return true;
}

void DestinationModel::MakeCurrent(int row) {
    ChangingScope scope(changing_);
    if (!snapshot_.Active() || row < 0 || row >= rowCount() || row == CurrentRow()) return;
    if (snapshot_.Inserting() && !snapshot_.Modified()) {
        const int inserted = CurrentRow();
        beginRemoveRows({}, inserted, inserted);
        snapshot_.Cancel();
        endRemoveRows();
        if (row > inserted) --row;
    } else {
        snapshot_.Post();  // a new row with values becomes a real row in the same place
    }
    snapshot_.MoveTo(static_cast<size_t>(row));
    RefreshIndicator();
}

void DestinationModel::InsertRow() {
    ChangingScope scope(changing_);
    if (!snapshot_.Active() || (snapshot_.Inserting() && !snapshot_.Modified())) return;
    snapshot_.Post();
    const int at = snapshot_.IsEmpty() ? 0 : static_cast<int>(snapshot_.RecNo());
    beginInsertRows({}, at, at);
    snapshot_.Insert();
    endInsertRows();
    RefreshIndicator();
}

void DestinationModel::DeleteCurrent() {
    ChangingScope scope(changing_);
    const int row = CurrentRow();
    if (row < 0) return;
    beginRemoveRows({}, row, row);
    snapshot_.Delete();
    endRemoveRows();
    RefreshIndicator();
}

void DestinationModel::CancelRow() {
    ChangingScope scope(changing_);
    if (snapshot_.Inserting()) {
        DeleteCurrent();
        return;
    }
    if (!snapshot_.Editing()) return;
    snapshot_.Cancel();
    const int row = CurrentRow();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    RefreshIndicator();
}

void DestinationModel::PostRow() {
    ChangingScope scope(changing_);
    if (snapshot_.Inserting() && !snapshot_.Modified()) {
        CancelRow();
        return;
    }
    snapshot_.Post();
    RefreshIndicator();
}

void DestinationModel::RefreshIndicator() {
    if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

}  // namespace tramex
