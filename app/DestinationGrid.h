// The destination grid: a table view over the destination model with a row
// indicator, movable and resizable columns, entry limited to what each column
// holds, Enter moving to the next cell, and searches that move the current row.
#pragma once

#include <QTableView>

namespace tramex {

class DestinationModel;

class DestinationGrid : public QTableView {
  public:
    DestinationGrid(DestinationModel* model, QWidget* parent = nullptr);

    DestinationModel* Model() const { return model_; }

    // Shows the snapshot's current row as the grid's current row.
    void SyncCurrent();
    // An editor still open when the panel saves or discards: its text is
    // taken into the row, or dropped.
    void CommitOpenEditor();
    void DiscardOpenEditor();

    // The next cell to the right, or the first cell of the next row.
    void MoveToNextCell();
    // First row whose text in the current column starts with text (any case).
    bool IncrementalSearch(const QString& text);
    // Next row after the current one, wrapping, with a cell containing text (any case).
    bool FindNext(const QString& text);

    // The navigator's moves and edits.
    void First();
    void Prior();
    void Next();
    void Last();
    void InsertRow();
    void DeleteRow();
    void CancelRow();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void MoveTo(int row, int column);
    int CurrentColumn() const;
    void AskAndFind();

    DestinationModel* model_;
    bool syncing_ = false;
};

}  // namespace tramex
