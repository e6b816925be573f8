#include "docs/MacroExchange.h"

#include <vector>

#include "docs/ExchangeSupport.h"
#include "docs/XmlDoc.h"

bool MacroExchange::WriteMacroFile(DataStore& store, int macroId, const CString& path) {
    XmlDoc doc(exchange::kDeclaration);
    doc.AppendElement(u"macro");
    doc.EnterElement();
    doc.AppendElement(u"macroinfo");
    MacroRecord macro;
    store.GetMacro(macroId, macro);
    doc.SetAttributeValue(u"name", macro.name.c_str());
    doc.SetAttributeValue(u"times", macro.playTimes);
    doc.SetAttributeValue(u"type", macro.delayType);
    doc.SetAttributeValue(u"delaytime", macro.delayTime);
    doc.AppendElement(u"macroitems");
    doc.EnterElement();
    std::vector<MacroStepRecord> steps;
    store.ListMacroSteps(macroId, steps);
    for (const MacroStepRecord& step : steps) {
        doc.AppendElement(u"item");
        doc.SetAttributeValue(u"desc", step.desc.c_str());
        doc.SetAttributeValue(u"type", step.type);
        doc.SetAttributeValue(u"value", step.value);
        doc.SetAttributeValue(u"delay_time", step.delayTime);
    }
    return exchange::SaveExchangeDocument(path, doc);
}

int MacroExchange::ReadMacroFile(DataStore& store, const CString& path, CString& name) {
    name = CString();
    XmlDoc doc;
    if (!exchange::LoadExchangeDocument(path, doc)) return 0;
    if (!doc.FindElement(u"macro") || !doc.EnterElement() || !doc.FindElement(u"macroinfo")) return 0;

    MacroRecord macro;
    macro.name = exchange::FileTitleName(path);
    macro.playTimes = exchange::PlainDecimal(doc.AttributeValue(u"times"));
    macro.delayType = exchange::PlainDecimal(doc.AttributeValue(u"type"));
    macro.delayTime = exchange::PlainDecimal(doc.AttributeValue(u"delaytime"));
    const int macroId = store.InsertMacro(macro);
    if (macroId <= 0) return 0;
    name = macro.name;

    if (doc.FindElement(u"macroitems") && doc.EnterElement()) {
        std::vector<MacroStepRecord> steps;
        while (doc.FindElement(u"item")) {
            if (static_cast<int>(steps.size()) >= exchange::kMaxImportStepsPerMacro) break;
            MacroStepRecord step;
            step.macroId = macroId;
            step.recordIndex = static_cast<int>(steps.size());
            step.desc = doc.AttributeValue(u"desc");
            step.type = exchange::PlainDecimal(doc.AttributeValue(u"type"));
            step.value = exchange::PlainDecimal(doc.AttributeValue(u"value"));
            step.delayTime = exchange::PlainDecimal(doc.AttributeValue(u"delay_time"));
            steps.push_back(std::move(step));
        }
        // One transaction for the whole macro.
        if (!steps.empty()) store.AddMacroSteps(steps);
    }
    return macroId;
}
