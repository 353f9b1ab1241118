// Error boxes for errors nobody caught.
#include "app/ErrorHandler.h"

#include "app/MessageBox.h"

namespace tramex {

void ShowUnhandledError(const std::exception& error) { MessageBox::ShowError(error.what()); }

}  // namespace tramex
