#include "docs/XmlLogRecord.h"

#include "docs/XmlText.h"

XmlLogRecord::XmlLogRecord(std::u16string_view word) {
    m_record.reserve(word.size() + 32);
    m_record += u'<';
    m_record.append(word);
}

XmlLogRecord& XmlLogRecord::Text(std::u16string_view name, std::u16string_view value) {
    m_record += u' ';
    m_record += name;
    m_record += u"=\"";
    m_record += xmltext::EscapeAttribute(value);
    m_record += u'"';
    return *this;
}

XmlLogRecord& XmlLogRecord::Number(std::u16string_view name, long long value) {
    return Text(name, CString::FromInt(value).view());
}

void XmlLogRecord::AppendTo(CString& log) const {
    if (log.GetLength() >= kLogLimit) return;
    log += CString(m_record);
    log += u"/>";
}
