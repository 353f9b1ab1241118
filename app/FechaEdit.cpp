// Date picker: the host's short date pattern, or the deployment's when the
// host has no regional settings at all.
#include "app/FechaEdit.h"

#include <QLocale>

namespace tramex {

FechaEdit::FechaEdit(QDate date, QWidget* parent) : QDateEdit(date, parent) {
    setCalendarPopup(true);
    const QLocale host = QLocale::system();
    if (host.language() != QLocale::C) {
        setDisplayFormat(host.dateFormat(QLocale::ShortFormat));
        return;
    }
    // A bare POSIX host would show English month names: year/month/day in
    // figures as the workstations have it, and the calendar in Spanish.
    setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
}

}  // namespace tramex
