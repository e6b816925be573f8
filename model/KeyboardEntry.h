// KeyboardEntry: one keyboard/mode line of the device catalogue (config.xml).
#pragma once

#include "ui/base/CString.h"

struct KeyboardEntry {
    CString name;             // keyboard name; in the mode list the mode's product name
    int deviceType = 0;       // up to 200 first firmware family, 201-299 second family
    CString layoutName;       // device_info: names layouts/<layoutName>.xml
    int modeValue = 0;        // connection mode: 0 wired, 1 receiver, 2 Bluetooth
    int vendorId = 0;
    int productId = 0;
    CString modeDescription;
    CString spare;            // never filled
    CString hidInterface;     // piece of the upper-case device interface name
    int present = 0;          // set by a scan that finds the device
    int spareNumber = -1;
};
