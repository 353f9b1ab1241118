// Demo switches: delayed screenshot and timed end.
#include "app/DemoHooks.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace tramex {
namespace {

// Long enough for the first activation's work to have run and been painted.
constexpr int kScreenshotDelayMs = 1500;

void SaveScreenshot(QWidget& window, const QString& path) {
    QTimer::singleShot(kScreenshotDelayMs, &window, [&window, path] {
        const bool saved = window.grab().save(path, "PNG");
        std::fprintf(stderr, "tramex: demo screenshot %s %s\n",
                     saved ? "saved to" : "could not be saved to", qPrintable(path));
    });
}

}  // namespace

void StartDemoHooks(QWidget& window) {
    const QString screenshot = qEnvironmentVariable("TRAMEX_DEMO_SCREENSHOT");
    if (!screenshot.isEmpty()) SaveScreenshot(window, screenshot);
    bool isNumber = false;
    const double quitAfter = qEnvironmentVariable("TRAMEX_DEMO_QUIT_AFTER").toDouble(&isNumber);
    if (isNumber && quitAfter > 0) {
        QTimer::singleShot(static_cast<int>(quitAfter * 1000), qApp, &QCoreApplication::quit);
    }
}

}  // namespace tramex
