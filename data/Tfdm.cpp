// The data module's single instance pointer.
#include "data/Tfdm.h"

namespace tramex {

Tfdm* fdm = nullptr;

}  // namespace tramex
