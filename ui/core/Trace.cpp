#include "ui/core/Trace.h"

void M_Trace(const char16_t*, ...) {}
