// SoftwareInfo: the software section of config.xml (program version, links,
// copyright line).
#pragma once

#include "ui/base/CString.h"

struct SoftwareInfo {
    CString version;     // shown as "Ver: %s"; compared by the update check
    CString websiteUrl;
    CString storeUrl;
    CString upgradeUrl;  // web folder of the software updates
    CString copyright;
};
