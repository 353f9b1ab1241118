// Status panel: a framed label kept centred over its window.
#include "app/StatusPanel.h"

#include <QEvent>

namespace tramex {

StatusPanel::StatusPanel(QWidget* window) : QLabel(window) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setAutoFillBackground(true);
    setMargin(12);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    hide();
    window->installEventFilter(this);
}

void StatusPanel::ShowMessage(const std::string& text) {
    setText(QString::fromStdString(text));
    CentreOverWindow();
    show();
    raise();
    window()->repaint();
}

void StatusPanel::HideMessage() { hide(); }

bool StatusPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) CentreOverWindow();
    return false;
}

void StatusPanel::CentreOverWindow() {
    const QSize area = parentWidget()->size();
    const int width = std::max(area.width() * 3 / 4, 200);
    const int height = std::max(heightForWidth(width), 60);
    setGeometry((area.width() - width) / 2, (area.height() - height) / 2, width, height);
}

}  // namespace tramex
