// XmlLogRecord: one record of an XmlDoc result log, an empty XML element
// named by the log word with its attributes in the order they are added
// (type, encoding, msg or tagname, then n, count, length or offset, then
// offset2), for example <read encoding="UTF-8" length="812"/>.
#pragma once

#include <string_view>

#include "ui/base/CString.h"

class XmlLogRecord {
public:
    explicit XmlLogRecord(std::u16string_view word);

    XmlLogRecord& Text(std::u16string_view name, std::u16string_view value);
    XmlLogRecord& Number(std::u16string_view name, long long value);

    // Appends the record to log unless the log already holds kLogLimit
    // characters or more.
    void AppendTo(CString& log) const;
    void AppendTo(CString* log) const {
        if (log) AppendTo(*log);
    }

    static constexpr int kLogLimit = 1000;

private:
    std::u16string m_record;
};
