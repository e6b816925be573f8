// The macro exchange file: one macro's playback settings and steps as XML.
//
//   <macro>
//   <macroinfo name times type delaytime/>
//   <macroitems>                               (a sibling of macroinfo)
//   <item desc type value delay_time/>         (one per step)
//   </macroitems>
//   </macro>
#pragma once

#include "store/DataStore.h"
#include "ui/base/CString.h"

class MacroExchange {
public:
    // Writes macro macroId to path (by temporary file and rename). False
    // when the file could not be written; an earlier file is left as it was.
    static bool WriteMacroFile(DataStore& store, int macroId, const CString& path);

    // Imports the file as a new macro named after the file title up to its
    // first "." (the name attribute is not used). The new macro id, or 0
    // when nothing was stored (unreadable or ill-formed file, no macro root
    // or macroinfo, failed insert). name receives the new macro's name.
    static int ReadMacroFile(DataStore& store, const CString& path, CString& name);
};
