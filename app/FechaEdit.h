// The main window's date picker. A date edit walks through its day, month
// and year on Tab; this one leaves on the first Tab (and Shift+Tab), so the
// window's tab order goes on to the next field.
#pragma once

#include <QDateEdit>

namespace tramex {

class FechaEdit : public QDateEdit {
  public:
    using QDateEdit::QDateEdit;

  protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

}  // namespace tramex
