#include "app/Startup.h"
#include "docs/XmlDoc.h"
#include "platform/Paths.h"
#include "ui/core/Manager.h"

void ReadProductName() {
    XmlDoc doc;
    if (!doc.LoadDocumentFile(paths::DataPath(u"config.xml"))) return;
    if (!doc.FindElement(u"config") || !doc.EnterElement() || !doc.FindElement(u"software")) return;
    // An absent attribute reads as the empty name, which is still handed over
    // (shown as it is; paths fall back to the default).
    Manager::SetDeviceName(doc.AttributeValue(u"name"));
}
