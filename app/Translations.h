// The toolkit's own texts (box buttons, dialogs, context menus) in Spanish,
// like the rest of the screens.
#pragma once

#include <QStringList>

namespace tramex {

// Where the toolkit's Spanish catalogue is looked for, first match wins: the
// toolkit's installed translations, then a "translations" folder next to the
// program (how the Windows build ships it).
QStringList SpanishCatalogueFolders();

// Installs the first qtbase_es catalogue found in folders into the running
// application; false when none could be loaded (the texts stay in English).
bool InstallSpanishTranslations(const QStringList& folders = SpanishCatalogueFolders());

}  // namespace tramex
