#include "docs/ProfileExchange.h"

#include <algorithm>
#include <unordered_map>

#include "docs/ExchangeSupport.h"
#include "docs/XmlDoc.h"

namespace {

// Only the base layer goes into a profile file.
constexpr int kExportedFnLayer = 0;

void AppendStepItems(XmlDoc& doc, const std::vector<MacroStepRecord>& steps) {
    for (const MacroStepRecord& step : steps) {
        doc.AppendElement(u"item");
        doc.SetAttributeValue(u"desc", step.desc.c_str());
        doc.SetAttributeValue(u"type", step.type);
        doc.SetAttributeValue(u"value", step.value);
        doc.SetAttributeValue(u"delay_time", step.delayTime);
    }
}

// Pass 1: the macros of the file. Fills the map old id -> new id.
void ImportMacros(DataStore& store, XmlDoc& doc, std::unordered_map<int, int>& macroIds,
                  ProfileExchange::ImportResult& result) {
    std::vector<MacroRecord> existing;
    store.ListMacros(existing);
    int macrosSeen = 0;
    int stepsStored = 0;
    while (doc.FindElement(u"macroinfo")) {
        if (++macrosSeen > exchange::kMaxImportMacros) break;
        const CString name = doc.AttributeValue(u"name");
        const int oldId = exchange::PlainDecimal(doc.AttributeValue(u"macro_id"));
        const bool known = std::any_of(existing.begin(), existing.end(), [&](const MacroRecord& macro) {
            return macro.macroId == oldId && macro.name.Compare(name.c_str()) == 0;
        });
        if (known) continue;

        MacroRecord macro;
        macro.name = name;
        macro.playTimes = exchange::PlainDecimal(doc.AttributeValue(u"times"));
        macro.delayType = exchange::PlainDecimal(doc.AttributeValue(u"type"));
        macro.delayTime = exchange::PlainDecimal(doc.AttributeValue(u"delaytime"));
        macro.linkCount = 0;
        const int newId = store.InsertMacro(macro);
        // A failed insert gives no copy to point keys at and no steps.
        if (newId <= 0) continue;
        macroIds[oldId] = newId;
        result.newMacros.emplace_back(name, newId);

        if (!doc.EnterElement()) continue;
        if (doc.FindElement(u"macroitems") && doc.EnterElement()) {
            std::vector<MacroStepRecord> steps;
            while (doc.FindElement(u"item")) {
                if (static_cast<int>(steps.size()) >= exchange::kMaxImportStepsPerMacro ||
                    stepsStored >= exchange::kMaxImportStepsTotal)
                    break;
                MacroStepRecord step;
                step.macroId = newId;
                step.recordIndex = static_cast<int>(steps.size());
                step.desc = doc.AttributeValue(u"desc");
                step.type = exchange::PlainDecimal(doc.AttributeValue(u"type"));
                step.value = exchange::PlainDecimal(doc.AttributeValue(u"value"));
                step.delayTime = exchange::PlainDecimal(doc.AttributeValue(u"delay_time"));
                steps.push_back(std::move(step));
                ++stepsStored;
            }
            // One transaction for the whole macro.
            if (!steps.empty()) store.AddMacroSteps(steps);
            doc.LeaveElement();
        }
        doc.LeaveElement();
    }
}

// Pass 2: the key items, stored under the new profile.
void ImportKeyItems(DataStore& store, XmlDoc& doc, int profileId, const std::unordered_map<int, int>& macroIds) {
    if (!doc.FindElement(u"keyitems") || !doc.EnterElement()) return;
    int itemsSeen = 0;
    while (doc.FindElement(u"item")) {
        if (++itemsSeen > exchange::kMaxImportKeyItems) break;
        KeyAssignmentRecord key;
        key.profile = profileId;
        key.fnLayer = exchange::PlainDecimal(doc.AttributeValue(u"fn_layer"));
        key.keyCode = exchange::PlainDecimal(doc.AttributeValue(u"key_code"));
        key.layoutValue = exchange::PlainDecimal(doc.AttributeValue(u"layout_value"));
        key.layoutDesc = doc.AttributeValue(u"layout_desc");
        key.macroType = exchange::PlainDecimal(doc.AttributeValue(u"macro_type"));
        key.macroValue = exchange::PlainDecimal(doc.AttributeValue(u"macro_value"));
        key.macroValue2 = exchange::PlainDecimal(doc.AttributeValue(u"macro_value2"));
        key.macroValue3 = exchange::PlainDecimal(doc.AttributeValue(u"macro_value3"));
        key.macroDesc = doc.AttributeValue(u"macro_desc");
        if (key.macroType == DataStore::kMacroKeyType) {
            const auto mapped = macroIds.find(key.macroValue);
            if (mapped != macroIds.end()) key.macroValue = mapped->second;
        }
        store.SaveKeyAssignment(key);
    }
    doc.LeaveElement();
}

}  // namespace

bool ProfileExchange::WriteProfileFile(DataStore& store, int profileId, const CString& name, const CString& path) {
    XmlDoc doc(exchange::kDeclaration);
    doc.AppendElement(u"profile");
    doc.EnterElement();
    doc.AppendElement(u"profileinfo");
    doc.SetAttributeValue(u"name", name.c_str());
    doc.AppendElement(u"keyitems");
    doc.EnterElement();

    std::vector<KeyAssignmentRecord> keys;
    store.ListKeyAssignments(profileId, kExportedFnLayer, keys);
    // In key order, a macro once per key that plays it.
    std::vector<int> macroIds;
    for (const KeyAssignmentRecord& key : keys) {
        doc.AppendElement(u"item");
        doc.SetAttributeValue(u"fn_layer", key.fnLayer);
        doc.SetAttributeValue(u"key_code", key.keyCode);
        doc.SetAttributeValue(u"layout_value", key.layoutValue);
        doc.SetAttributeValue(u"layout_desc", key.layoutDesc.c_str());
        doc.SetAttributeValue(u"macro_type", key.macroType);
        doc.SetAttributeValue(u"macro_value", key.macroValue);
        doc.SetAttributeValue(u"macro_value2", key.macroValue2);
        doc.SetAttributeValue(u"macro_value3", key.macroValue3);
        doc.SetAttributeValue(u"macro_desc", key.macroDesc.c_str());
        if (key.macroType == DataStore::kMacroKeyType) macroIds.push_back(key.macroValue);
    }
    doc.LeaveElement();

    for (const int macroId : macroIds) {
        MacroRecord macro;
        store.GetMacro(macroId, macro);
        doc.AppendElement(u"macroinfo");
        doc.SetAttributeValue(u"name", macro.name.c_str());
        doc.SetAttributeValue(u"macro_id", macroId);
        doc.SetAttributeValue(u"times", macro.playTimes);
        doc.SetAttributeValue(u"type", macro.delayType);
        doc.SetAttributeValue(u"delaytime", macro.delayTime);
        doc.EnterElement();
        doc.AppendElement(u"macroitems");
        doc.EnterElement();
        std::vector<MacroStepRecord> steps;
        store.ListMacroSteps(macroId, steps);
        AppendStepItems(doc, steps);
        doc.LeaveElement();
        doc.LeaveElement();
    }
    return exchange::SaveExchangeDocument(path, doc);
}

ProfileExchange::ImportResult ProfileExchange::ReadProfileFile(DataStore& store, const CString& path) {
    ImportResult result;
    XmlDoc macrosPass;
    if (!exchange::LoadExchangeDocument(path, macrosPass) || !macrosPass.FindElement(u"profile")) return result;
    // The key items are read from a second document over the same text, so
    // both passes see one version of the file.
    XmlDoc keysPass(macrosPass.DocumentText().c_str());

    std::unordered_map<int, int> macroIds;
    if (macrosPass.EnterElement()) ImportMacros(store, macrosPass, macroIds, result);

    if (!keysPass.FindElement(u"profile") || !keysPass.EnterElement()) return result;
    ProfileRecord profile;
    profile.name = exchange::FileTitleName(path);
    const int profileId = store.AddProfile(profile);
    if (profileId <= 0) return result;
    // The profile info element comes first in the file; its name is not used.
    keysPass.FindElement(u"profileinfo");
    ImportKeyItems(store, keysPass, profileId, macroIds);
    result.profileId = profileId;
    result.profileName = profile.name;
    return result;
}
