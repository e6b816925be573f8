// The records the data stores read and write, one per table row.
//
// All numbers are 32-bit signed; strings are UTF-16 in memory and UTF-8 in
// the file. A new record has empty strings and zero numbers.
#pragma once

#include "ui/base/CString.h"

// t_profile_data: one profile. status 1 marks the active profile.
struct ProfileRecord {
    int profileId = 0;
    CString name;
    CString app;
    int type = 0;
    int status = 0;
};

// t_key_macro_data: one remapped key of one profile and Fn layer.
// macroType 3 plays the macro whose id is macroValue.
struct KeyAssignmentRecord {
    int keyId = 0;
    int profile = 0;
    int fnLayer = 0;
    int keyCode = 0;
    int layoutValue = 0;
    CString layoutDesc;
    int macroType = 0;
    int macroValue = 0;
    int macroValue2 = 0;
    int macroValue3 = 0;
    CString macroDesc;
};

// t_light_data: one lighting mode of one profile; status 1 marks the active
// mode.
struct LightRecord {
    int lightId = 0;
    int profile = 0;
    CString name;
    int mode = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    int colorful = 0;
    int colorIndex = 0;
    int colorValue = 0;
    int configFunc = 0;
    int reserved = 0;
    int status = 0;
};

// t_key_light_data: the colour of one key in the group lightId.
struct KeyLightRecord {
    int keyLightId = 0;
    int profile = 0;
    int lightId = 0;
    int keyCode = 0;
    int keyRgb = 0;
};

// t_musiclayer_data: the music-lighting settings (the "sel" column is not
// part of the record).
struct MusicLayerRecord {
    int layerId = 0;
    int profile = 0;
    CString name;
    int deviceIndex = 0;
    int foreMode = 0;
    int foreAmplitude = 0;
    int backMode = 0;
    int backBright = 0;
};

// t_macro_data: one macro and its playback settings.
struct MacroRecord {
    int macroId = 0;
    CString name;
    int linkCount = 0;
    int playTimes = 0;
    int delayType = 0;
    int delayTime = 0;
};

// t_macrorecord: one step of a macro; type 1 is a pure delay, 2 key down,
// 3 key up; delayTime is the pause after the step.
struct MacroStepRecord {
    int recordId = 0;
    int macroId = 0;
    int type = 0;
    int recordIndex = 0;
    int value = 0;
    int delayTime = 0;
    CString desc;
};
