// The main window's date picker. A date edit walks through its day, month
// and year on Tab; this one leaves on the first Tab (and Shift+Tab), so the
// window's tab order goes on to the next field.
#pragma once

#include <QDateEdit>

namespace tramex {

class FechaEdit : public QDateEdit {
  public:
    // Shown in the host's short date pattern, with a calendar to pick from.
    explicit FechaEdit(QDate date, QWidget* parent = nullptr);

  protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

}  // namespace tramex
