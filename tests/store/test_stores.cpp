// The data stores: every table's operations, their bindings, the record
// field order and the rules that callers rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/DataStore.h"
#include "tests/store/StoreTestUtil.h"

using storetest::QueryInt;
using storetest::QueryText;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = storetest::MakeDataFolder();
        ASSERT_TRUE(m_store.OpenOrCreate(CString::FromUtf8(m_folder), u"Test"));
        m_path = m_store.Path();
    }

    int AddProfile(const char16_t* name, const char16_t* app = u"") {
        ProfileRecord record;
        record.name = name;
        record.app = app;
        record.status = 7;  // never written: new profiles start inactive
        record.type = 9;    // always written as 0
        return m_store.AddProfile(record);
    }

    int SaveKey(int profile, int fnLayer, int keyCode, int type, int value, int value2 = 0) {
        KeyAssignmentRecord record;
        record.profile = profile;
        record.fnLayer = fnLayer;
        record.keyCode = keyCode;
        record.macroType = type;
        record.macroValue = value;
        record.macroValue2 = value2;
        return m_store.SaveKeyAssignment(record);
    }

    long long Count(const std::string& table) { return QueryInt(m_path, "SELECT count(*) FROM " + table); }

    std::string m_folder;
    std::string m_path;
    DataStore m_store;
};

}  // namespace

TEST_F(StoreTest, ProfilesAddListRenameActivateDelete) {
    EXPECT_EQ(AddProfile(u"Profile 1"), 1);
    EXPECT_EQ(AddProfile(u"Jeu \u00e9t\u00e9 \u4e2d \U0001F3AE", u"/usr/bin/game"), 2);
    EXPECT_EQ(AddProfile(u"Profile 3"), 3);

    std::vector<ProfileRecord> list(4);  // emptied first
    ASSERT_EQ(m_store.ListProfiles(list), 3);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].profileId, 2);
    EXPECT_EQ(list[1].name, u"Jeu \u00e9t\u00e9 \u4e2d \U0001F3AE");
    EXPECT_EQ(list[1].app, u"/usr/bin/game");
    EXPECT_EQ(list[1].status, 0);
    EXPECT_EQ(list[1].type, 0);
    // Stored as UTF-8 in the file.
    EXPECT_EQ(QueryText(m_path, "SELECT name FROM t_profile_data WHERE profile = 2"),
              "Jeu \xc3\xa9t\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x8e\xae");

    EXPECT_TRUE(m_store.RenameProfile(3, u"Renamed"));
    CString name = u"stale";
    EXPECT_TRUE(m_store.GetProfileName(3, name));
    EXPECT_EQ(name, u"Renamed");
    EXPECT_FALSE(m_store.GetProfileName(42, name));
    EXPECT_TRUE(name.IsEmpty());

    EXPECT_EQ(m_store.GetActiveProfile(), 0);
    EXPECT_TRUE(m_store.SetActiveProfile(2));
    EXPECT_EQ(m_store.GetActiveProfile(), 2);
    EXPECT_TRUE(m_store.SetActiveProfile(3));
    EXPECT_EQ(m_store.GetActiveProfile(), 3);
    EXPECT_EQ(QueryInt(m_path, "SELECT sum(status) FROM t_profile_data"), 1);

    // Deleting a profile leaves its key assignments; ids are not reused.
    ASSERT_GT(SaveKey(3, 0, 4, 1, 5), 0);
    EXPECT_TRUE(m_store.DeleteProfile(3));
    EXPECT_EQ(m_store.ListProfiles(list), 2);
    EXPECT_EQ(Count("t_key_macro_data"), 1);
    EXPECT_EQ(AddProfile(u"Next"), 4);
    m_store.DeleteProfileKeyAssignments(3);
    EXPECT_EQ(Count("t_key_macro_data"), 0);
}

TEST_F(StoreTest, DefaultConfigIsElevenRowsInOrder) {
    // What the first run does: three profiles, then the defaults once.
    AddProfile(u"Profile 1");
    m_store.InsertDefaultConfig();
    AddProfile(u"Profile 2");
    AddProfile(u"Profile 3");
    EXPECT_EQ(Count("t_configdata"), 11);
    EXPECT_EQ(QueryText(m_path,
                        "SELECT group_concat(key || '=' || value, ' ') FROM "
                        "(SELECT key, value FROM t_configdata ORDER BY config_id)"),
              "version=1.0.1 keyboard_layout=1 fn_layer=0 lightmode=1 sleep_light=1 userlight=0 "
              "customlight_run=0 gamemode=0 disable_alttab=0 disable_altf4=0 disable_win=0");
    EXPECT_EQ(QueryInt(m_path, "SELECT count(*) FROM t_configdata WHERE profile = 1"), 11);
}

TEST_F(StoreTest, KeyAssignmentSaveReplaceResetAndList) {
    KeyAssignmentRecord record;
    record.profile = 1;
    record.fnLayer = 1;
    record.keyCode = 0x2C;
    record.layoutValue = 0x2C;
    record.layoutDesc = u"Space";
    record.macroType = 2;
    record.macroValue = 0x04;
    record.macroValue2 = 0x08;
    record.macroValue3 = 0x10;
    record.macroDesc = u"Ctrl+A";
    const int id = m_store.SaveKeyAssignment(record);
    EXPECT_EQ(id, 1);

    KeyAssignmentRecord read;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 1, 0x2C, read));
    EXPECT_EQ(read.keyId, id);
    EXPECT_EQ(read.profile, 1);
    EXPECT_EQ(read.fnLayer, 1);
    EXPECT_EQ(read.keyCode, 0x2C);
    EXPECT_EQ(read.layoutValue, 0x2C);
    EXPECT_EQ(read.layoutDesc, u"Space");
    EXPECT_EQ(read.macroType, 2);
    EXPECT_EQ(read.macroValue, 0x04);
    EXPECT_EQ(read.macroValue2, 0x08);
    EXPECT_EQ(read.macroValue3, 0x10);
    EXPECT_EQ(read.macroDesc, u"Ctrl+A");
    EXPECT_FALSE(m_store.GetKeyAssignment(1, 0, 0x2C, read));

    // Saving the key again replaces its row; only macro value 2 set counts.
    record.macroValue = 0;
    EXPECT_EQ(m_store.SaveKeyAssignment(record), 2);
    EXPECT_EQ(Count("t_key_macro_data"), 1);

    // Other keys, layers and profiles.
    SaveKey(1, 1, 0x04, 1, 0x05);
    SaveKey(1, 0, 0x04, 1, 0x05);
    SaveKey(2, 1, 0x04, 1, 0x05);
    std::vector<KeyAssignmentRecord> list(3);
    EXPECT_EQ(m_store.ListKeyAssignments(1, 1, list), 2);
    EXPECT_EQ(list.size(), 2u);

    // Both values 0: the key's row goes, nothing is inserted.
    EXPECT_EQ(SaveKey(1, 1, 0x2C, 2, 0, 0), 0);
    EXPECT_FALSE(m_store.GetKeyAssignment(1, 1, 0x2C, read));
    EXPECT_EQ(Count("t_key_macro_data"), 3);
    // Key code 0: nothing stored, nothing deleted.
    EXPECT_EQ(SaveKey(1, 1, 0, 1, 5), 0);
    EXPECT_EQ(SaveKey(1, 1, 0, 1, 0), 0);
    EXPECT_EQ(Count("t_key_macro_data"), 3);
    EXPECT_EQ(QueryInt(m_path, "SELECT count(*) FROM t_key_macro_data WHERE key_code = 0"), 0);

    m_store.DeleteProfileKeyAssignments(1);
    EXPECT_EQ(m_store.ListKeyAssignments(1, 1, list), 0);
    EXPECT_EQ(Count("t_key_macro_data"), 1);
}

TEST_F(StoreTest, KeyExtraDataRoundTripAndUnknownIdKeepsOutputs) {
    const int launch = m_store.AddKeyExtraData(u"Editor", u"/usr/bin/gedit --new-window", 8);
    const int paste = m_store.AddKeyExtraData(u"Bonjour \u00e0 tous", u"", 10);
    EXPECT_EQ(launch, 1);
    EXPECT_EQ(paste, 2);
    CString desc, param;
    int type = 0;
    EXPECT_TRUE(m_store.GetKeyExtraData(launch, desc, param, type));
    EXPECT_EQ(desc, u"Editor");
    EXPECT_EQ(param, u"/usr/bin/gedit --new-window");
    EXPECT_EQ(type, 8);
    EXPECT_TRUE(m_store.GetKeyExtraData(paste, desc, param, type));
    EXPECT_EQ(desc, u"Bonjour \u00e0 tous");
    EXPECT_TRUE(param.IsEmpty());

    desc = u"kept";
    param = u"kept too";
    type = 77;
    EXPECT_TRUE(m_store.GetKeyExtraData(999, desc, param, type));
    EXPECT_EQ(desc, u"kept");
    EXPECT_EQ(param, u"kept too");
    EXPECT_EQ(type, 77);
}

TEST_F(StoreTest, LightsPerProfileAndActiveMode) {
    for (int profile = 1; profile <= 2; ++profile) {
        for (int mode = 1; mode <= 3; ++mode) {
            LightRecord light;
            light.profile = profile;
            light.name = u"Mode";
            light.mode = mode;
            light.brightness = 4;
            light.speed = 3;
            light.direction = 1;
            light.colorful = 1;
            light.colorIndex = 2;
            light.colorValue = 0x00FF8000;
            light.configFunc = 5;
            light.reserved = 6;
            light.status = 0;
            EXPECT_GT(m_store.AddLight(light), 0);
        }
    }
    EXPECT_EQ(m_store.CountLights(1), 3);
    EXPECT_EQ(m_store.CountLights(9), 0);

    LightRecord changed;
    changed.brightness = 1;
    changed.speed = 2;
    changed.direction = 3;
    changed.colorful = 0;
    changed.colorIndex = 7;
    changed.colorValue = 0x000000FF;
    changed.configFunc = 8;
    changed.reserved = 9;
    changed.name = u"not written";
    changed.status = 1;
    EXPECT_TRUE(m_store.UpdateLight(2, 3, changed));
    LightRecord read;
    ASSERT_TRUE(m_store.GetLight(2, 3, read));
    EXPECT_EQ(read.lightId, 6);
    EXPECT_EQ(read.profile, 2);
    EXPECT_EQ(read.name, u"Mode");
    EXPECT_EQ(read.mode, 3);
    EXPECT_EQ(read.brightness, 1);
    EXPECT_EQ(read.speed, 2);
    EXPECT_EQ(read.direction, 3);
    EXPECT_EQ(read.colorful, 0);
    EXPECT_EQ(read.colorIndex, 7);
    EXPECT_EQ(read.colorValue, 0x000000FF);
    EXPECT_EQ(read.configFunc, 8);
    EXPECT_EQ(read.reserved, 9);
    EXPECT_EQ(read.status, 0);
    EXPECT_FALSE(m_store.GetLight(2, 9, read));

    std::vector<LightRecord> list;
    EXPECT_EQ(m_store.ListLights(1, list), 3);
    EXPECT_EQ(list[2].mode, 3);
    EXPECT_EQ(list[2].brightness, 4);

    // The mark is one for the whole table: the profile set last has it.
    EXPECT_TRUE(m_store.SetActiveLight(1, 2));
    EXPECT_EQ(m_store.GetActiveLightMode(1), 2);
    EXPECT_TRUE(m_store.SetActiveLight(2, 3));
    EXPECT_EQ(m_store.GetActiveLightMode(2), 3);
    EXPECT_EQ(m_store.GetActiveLightMode(1), 0);
}

TEST_F(StoreTest, KeyLightsInBulkByGroup) {
    std::vector<KeyLightRecord> custom;
    for (int key = 0; key < 110; ++key) custom.push_back({0, 1, 128, key + 4, 0x010203 * key});
    EXPECT_EQ(m_store.AddKeyLights(custom), 110);
    EXPECT_EQ(m_store.AddKeyLights({{0, 1, 7, 4, 0xFF}}), 1);
    EXPECT_EQ(m_store.AddKeyLights({}), 0);

    std::vector<KeyLightRecord> list;
    ASSERT_EQ(m_store.ListKeyLights(128, list), 110);
    EXPECT_EQ(list[10].keyLightId, 11);
    EXPECT_EQ(list[10].profile, 1);
    EXPECT_EQ(list[10].lightId, 128);
    EXPECT_EQ(list[10].keyCode, 14);
    EXPECT_EQ(list[10].keyRgb, 0x010203 * 10);

    EXPECT_TRUE(m_store.DeleteKeyLights(128));
    EXPECT_EQ(m_store.ListKeyLights(128, list), 0);
    EXPECT_EQ(m_store.ListKeyLights(7, list), 1);
}

TEST_F(StoreTest, MusicLayerDefaultsUpdateAndSelection) {
    EXPECT_EQ(m_store.CountMusicLayers(1), 0);
    EXPECT_EQ(m_store.AddMusicLayer(1, u"Music", 2), 1);
    EXPECT_EQ(m_store.AddMusicLayer(1, u"Second", 1), 2);
    EXPECT_EQ(m_store.CountMusicLayers(1), 2);

    MusicLayerRecord layer;
    ASSERT_TRUE(m_store.GetMusicLayer(1, layer));
    EXPECT_EQ(layer.layerId, 1);
    EXPECT_EQ(layer.profile, 1);
    EXPECT_EQ(layer.name, u"Music");
    EXPECT_EQ(layer.deviceIndex, 0);
    EXPECT_EQ(layer.foreMode, 2);
    EXPECT_EQ(layer.foreAmplitude, 300);
    EXPECT_EQ(layer.backMode, 0);
    EXPECT_EQ(layer.backBright, 100);
    EXPECT_EQ(QueryInt(m_path, "SELECT sel FROM t_musiclayer_data WHERE layer_id = 1"), 0);
    EXPECT_FALSE(m_store.GetMusicLayer(5, layer));

    layer = {};
    layer.deviceIndex = 1;
    layer.foreMode = 3;
    layer.foreAmplitude = 150;
    layer.backMode = 2;
    layer.backBright = 40;
    EXPECT_TRUE(m_store.UpdateMusicLayer(1, layer));
    MusicLayerRecord read;
    ASSERT_TRUE(m_store.GetMusicLayer(1, read));
    EXPECT_EQ(read.name, u"Music");
    EXPECT_EQ(read.deviceIndex, 1);
    EXPECT_EQ(read.foreMode, 3);
    EXPECT_EQ(read.foreAmplitude, 150);
    EXPECT_EQ(read.backMode, 2);
    EXPECT_EQ(read.backBright, 40);

    EXPECT_EQ(m_store.GetSelectedMusicLayer(1), 0);
    EXPECT_TRUE(m_store.SelectMusicLayer(1, 2));
    EXPECT_EQ(m_store.GetSelectedMusicLayer(1), 2);
    EXPECT_TRUE(m_store.SelectMusicLayer(1, 1));
    EXPECT_EQ(m_store.GetSelectedMusicLayer(1), 1);
    EXPECT_EQ(QueryInt(m_path, "SELECT sum(sel) FROM t_musiclayer_data"), 1);
}

TEST_F(StoreTest, MacrosAndTheirPlayback) {
    EXPECT_EQ(m_store.AddMacro(u"Combo"), 1);
    MacroRecord record;
    record.name = u"Imported";
    record.playTimes = 3;
    record.delayType = 2;
    record.delayTime = 50;
    record.linkCount = 4;
    EXPECT_EQ(m_store.InsertMacro(record), 2);

    MacroRecord read;
    ASSERT_TRUE(m_store.GetMacro(1, read));
    EXPECT_EQ(read.macroId, 1);
    EXPECT_EQ(read.name, u"Combo");
    EXPECT_EQ(read.playTimes, 1);
    EXPECT_EQ(read.delayType, 1);
    EXPECT_EQ(read.delayTime, 0);
    EXPECT_EQ(read.linkCount, 0);
    ASSERT_TRUE(m_store.GetMacro(2, read));
    EXPECT_EQ(read.name, u"Imported");
    EXPECT_EQ(read.playTimes, 3);
    EXPECT_EQ(read.delayType, 2);
    EXPECT_EQ(read.delayTime, 50);
    EXPECT_EQ(read.linkCount, 4);
    EXPECT_FALSE(m_store.GetMacro(3, read));

    EXPECT_TRUE(m_store.RenameMacro(1, u"Renamed"));
    record.macroId = 1;
    record.playTimes = 9;
    record.delayType = 3;
    record.delayTime = 20;
    record.linkCount = 99;  // not part of the playback settings
    EXPECT_TRUE(m_store.UpdateMacroPlayback(record));
    int playTimes = 0;
    EXPECT_TRUE(m_store.GetMacroPlayTimes(1, playTimes));
    EXPECT_EQ(playTimes, 9);
    EXPECT_FALSE(m_store.GetMacroPlayTimes(7, playTimes));

    std::vector<MacroRecord> list;
    ASSERT_EQ(m_store.ListMacros(list), 2);
    EXPECT_EQ(list[0].name, u"Renamed");
    EXPECT_EQ(list[0].delayType, 3);
    EXPECT_EQ(list[0].delayTime, 20);
    EXPECT_EQ(list[0].linkCount, 0);
}

TEST_F(StoreTest, MacroStepsComeBackByRecordIndex) {
    const int macro = m_store.AddMacro(u"m");
    // Inserted out of order, one by one and in bulk.
    const int indexes[] = {3, 0, 2};
    for (int index : indexes) {
        MacroStepRecord step;
        step.macroId = macro;
        step.type = index == 2 ? DataStore::kDelayStepType : 2;
        step.recordIndex = index;
        step.value = 0x04 + index;
        step.delayTime = 10 * index;
        step.desc = CString::FromInt(index);
        EXPECT_GT(m_store.AddMacroStep(step), 0);
    }
    std::vector<MacroStepRecord> bulk(2);
    bulk[0] = {0, macro, 3, 4, 0x08, 40, u"4"};
    bulk[1] = {0, macro, 1, 1, 0, 15, u"1"};
    EXPECT_EQ(m_store.AddMacroSteps(bulk), 2);
    EXPECT_EQ(m_store.AddMacroStep({0, macro + 1, 2, 0, 0x04, 0, u"other"}), 6);

    std::vector<MacroStepRecord> steps;
    ASSERT_EQ(m_store.ListMacroSteps(macro, steps), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(steps[i].recordIndex, i);
        EXPECT_EQ(steps[i].desc, CString::FromInt(i));
        EXPECT_EQ(steps[i].macroId, macro);
    }
    EXPECT_EQ(steps[0].recordId, 2);
    EXPECT_EQ(steps[3].type, 2);
    EXPECT_EQ(steps[3].value, 0x07);
    EXPECT_EQ(steps[3].delayTime, 30);
    EXPECT_EQ(m_store.CountMacroNonDelaySteps(macro), 3);

    // Replacing the steps, as the editor does.
    EXPECT_TRUE(m_store.DeleteMacroSteps(macro));
    EXPECT_EQ(m_store.ListMacroSteps(macro, steps), 0);
    EXPECT_EQ(m_store.CountMacroNonDelaySteps(macro), 0);
    EXPECT_EQ(Count("t_macrorecord"), 1);
}

TEST_F(StoreTest, DeletingAMacroRemovesStepsAndEveryKeyPlayingIt) {
    const int doomed = m_store.AddMacro(u"doomed");
    const int kept = m_store.AddMacro(u"kept");
    m_store.AddMacroSteps({{0, doomed, 2, 0, 4, 0, u""}, {0, doomed, 3, 1, 4, 0, u""}});
    m_store.AddMacroStep({0, kept, 2, 0, 4, 0, u""});
    // Keys playing it in several profiles and layers ...
    SaveKey(1, 0, 0x04, DataStore::kMacroKeyType, doomed);
    SaveKey(1, 1, 0x05, DataStore::kMacroKeyType, doomed);
    SaveKey(3, 0, 0x06, DataStore::kMacroKeyType, doomed);
    // ... and keys that do not: another macro, or another kind with the
    // same value.
    SaveKey(1, 0, 0x07, DataStore::kMacroKeyType, kept);
    SaveKey(1, 0, 0x08, 1, doomed);

    EXPECT_TRUE(m_store.DeleteMacro(doomed));
    MacroRecord read;
    EXPECT_FALSE(m_store.GetMacro(doomed, read));
    EXPECT_TRUE(m_store.GetMacro(kept, read));
    EXPECT_EQ(QueryInt(m_path, "SELECT count(*) FROM t_macrorecord WHERE macro_id = " + std::to_string(doomed)), 0);
    EXPECT_EQ(Count("t_macrorecord"), 1);
    EXPECT_EQ(QueryText(m_path, "SELECT group_concat(key_code) FROM (SELECT key_code FROM t_key_macro_data "
                                "ORDER BY key_code)"),
              "7,8");
    // Ids of deleted macros are not handed out again.
    EXPECT_EQ(m_store.AddMacro(u"new"), kept + 1);
}
