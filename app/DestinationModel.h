// The destination table as a grid sees it: the rows of the editable snapshot
// in the editor's column order, with the row being inserted shown in place
// and the row being edited showing its unposted values.
#pragma once

#include "data/FieldDef.h"

#include <QAbstractTableModel>

#include <array>

namespace tramex {

class Instantanea;

struct DestinationColumn {
    const char* name;   // CONFIGURA_LINKFTP column
    const char* title;  // grid title
};

inline constexpr std::array<DestinationColumn, 9> kDestinationColumns{{
    {"CFLK_CODFAMI", "Cod. Familia"},
    {"SUCU_ID", "Agencia"},
    {"CFLK_SERVER", "Serv. FTP"},
    {"CFLK_USUARIO", "Usu. FTP"},
    {"CFLK_CLAVE", "Clave FTP"},
    {"CFLK_CODCASA", "Cod. Casa"},
    {"CFLK_UBICADOC", "Ubica Doc. FTP"},
    {"CFLK_CODPARTNER", "Cod. Partner"},
    {"CFLK_DIAS", "Dias"},
}};

class DestinationModel : public QAbstractTableModel {
  public:
    explicit DestinationModel(Instantanea& snapshot, QObject* parent = nullptr);

    // Rereads everything after the snapshot changed behind the model's back
    // (opened, saved, discarded).
    void Reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Decoded text in, Windows-1252 bytes into the snapshot; false when the
    // text does not fit the column (too long, not an integer).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The grid row of the snapshot's current row; -1 when there is none.
    int CurrentRow() const;
    // Makes a grid row current: posts the row being edited (an untouched new
    // row disappears) and moves the snapshot there.
    void MakeCurrent(int row);
    void InsertRow();      // a new empty row before the current one
    void DeleteCurrent();  // drops a new row, or records the current row's deletion
    void CancelRow();      // forgets the unposted values of the current row
    void PostRow();

    // True while the model moves or changes rows: a view's current-row change
    // reported meanwhile is the view following along, not the operator.
    bool Changing() const { return changing_; }

    // What the column accepts on entry.
    FieldKind KindAt(int column) const;
    int WidthAt(int column) const;  // characters; 0 when unknown

  private:
    int FieldOf(int column) const;
    bool IsEditRow(int row) const;
    int SnapshotRow(int row) const;
    void RefreshIndicator();

    Instantanea& snapshot_;
    std::array<int, kDestinationColumns.size()> fields_{};
    bool changing_ = false;
};

}  // namespace tramex
