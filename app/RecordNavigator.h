// The record navigator under the destination grid: first, prior, next, last,
// insert, delete (after asking "Delete record?") and cancel.
#pragma once

#include <QWidget>

namespace tramex {

class DestinationGrid;

class RecordNavigator : public QWidget {
  public:
    // The buttons are children named nbFirst, nbPrior, nbNext, nbLast,
    // nbInsert, nbDelete and nbCancel.
    RecordNavigator(DestinationGrid* grid, QWidget* parent = nullptr);

  private:
    void AddButton(const char* name, const char* caption, const char* hint,
                   void (*action)(DestinationGrid&));
    void ConfirmAndDelete();

    DestinationGrid* grid_;
};

}  // namespace tramex
