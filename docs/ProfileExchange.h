// The profile exchange file: one profile's Fn-layer-0 key assignments and
// the macros they play, as XML.
//
//   <profile>
//   <profileinfo name="..."/>
//   <keyitems>
//   <item fn_layer key_code layout_value layout_desc macro_type macro_value
//         macro_value2 macro_value3 macro_desc/>      (one per assignment)
//   </keyitems>
//   <macroinfo name macro_id times type delaytime>    (one per macro key,
//   <macroitems>                                        duplicates kept)
//   <item desc type value delay_time/>                (one per step)
//   </macroitems>
//   </macroinfo>
//   </profile>
//
// These are the file operations alone; the dialogs and the window's lists
// are ExchangeFiles' business.
#pragma once

#include <utility>
#include <vector>

#include "store/DataStore.h"
#include "ui/base/CString.h"

class ProfileExchange {
public:
    struct ImportResult {
        // The new profile (0 when none was stored) and its name, the file
        // title up to its first ".".
        int profileId = 0;
        CString profileName;
        // The macros created from the file, in file order (name, id).
        std::vector<std::pair<CString, int>> newMacros;
    };

    // Writes profile profileId, shown as name, to path (by temporary file and
    // rename). False when the file could not be written; an earlier file at
    // path is then left as it was.
    static bool WriteProfileFile(DataStore& store, int profileId, const CString& name, const CString& path);

    // Imports the file as a new profile. Macros of the file are created
    // unless one of the same name and id exists already; key items playing a
    // macro of the file are pointed at its new copy. Nothing is stored when
    // the file cannot be read or parsed or has no profile root; when the new
    // profile cannot be added, profileId is 0 and no key item is stored.
    static ImportResult ReadProfileFile(DataStore& store, const CString& path);
};
