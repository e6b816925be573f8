// MObject: anything that can own controls and receive their notifications
// and repaint requests (dialogs, popups, controls).
#pragma once

#include "ui/base/Geometry.h"

class MControl;

class MObject {
public:
    MObject() = default;
    virtual ~MObject() = default;
    MObject(const MObject&) = delete;
    MObject& operator=(const MObject&) = delete;

    // 1 when GetClassNameW() equals name exactly.
    virtual int IsClass(const char16_t* name);
    [[nodiscard]] virtual const char16_t* GetClassNameW() const { return nullptr; }
    virtual void* GetObjectClass() { return nullptr; }
    virtual const char16_t* BaseObjectClassName() { return nullptr; }
    // The notification entry point of an owner (see the CN_ codes).
    virtual long OnBaseMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam);
    // The repaint-request entry point of an owner; bUpdate non-zero also
    // invalidates ctrl's cached drawing.
    virtual int OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl);
};
