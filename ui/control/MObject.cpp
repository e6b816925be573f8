#include "ui/control/MObject.h"

#include <cstring>
#include <string_view>

int MObject::IsClass(const char16_t* name) {
    const char16_t* mine = GetClassNameW();
    if (!mine || !name) return 0;
    return std::u16string_view(mine) == std::u16string_view(name) ? 1 : 0;
}

long MObject::OnBaseMessage(unsigned, unsigned, unsigned, long) {
    return 0;
}

int MObject::OnControlUpdate(CRect, int, MControl*) {
    return 0;
}
