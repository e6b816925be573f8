// XmlDoc: parsing, the cursor, attribute reading and writing. The file
// operations (encodings) are in XmlDocFile.cpp.
//
//   Parse             one pass over the text, nesting kept on an explicit
//                     stack (never the call stack), problems logged
//   cursor            FindElement / EnterElement / LeaveElement
//   attributes        AttributeValue and friends, SetAttributeValue
//   AppendElement     one element per line, CR LF
#include "docs/XmlDoc.h"

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_map>

#include "docs/XmlLogRecord.h"
#include "docs/XmlText.h"

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";
// Offsets are 32-bit; a text beyond this is not indexed at all.
constexpr size_t kMaxTextLength = 1u << 30;
// The index starts sized for one element per this many characters.
constexpr int kCharsPerElementGuess = 64;
constexpr int kIndexSlack = 8;

bool AllSpace(std::u16string_view text) noexcept { return std::all_of(text.begin(), text.end(), xmltext::IsSpace); }

bool StartsWith(std::u16string_view text, size_t pos, std::u16string_view prefix) noexcept {
    return text.size() >= pos && text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

bool StartsWithNoCase(std::u16string_view text, size_t pos, std::u16string_view prefix) noexcept {
    if (text.size() < pos || text.size() - pos < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t a = text[pos + i];
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
        if (a != prefix[i]) return false;
    }
    return true;
}

}  // namespace

XmlDoc::XmlDoc() { ResetIndex(kIndexSlack); }

XmlDoc::XmlDoc(const char16_t* text) {
    ResetIndex(kIndexSlack);
    SetDocumentText(text);
}

bool XmlDoc::SetDocumentText(const char16_t* text) {
    if (m_documentFlags & (kReadFileMode | kWriteFileMode)) return false;
    m_text = CString(text);
    m_resultLog.Empty();
    return Parse();
}

// ---------------------------------------------------------------- index

void XmlDoc::ResetIndex(int capacity) {
    m_pages.clear();
    m_capacity = std::max(capacity, 1);
    m_elementCount = 0;
    (void)NewElement();  // entry 0, the document itself
}

int XmlDoc::NewElement() {
    if (m_elementCount == INT_MAX) return 0;
    const int index = m_elementCount;
    if (index >= m_capacity) m_capacity = static_cast<int>(std::min<long long>(INT_MAX, m_capacity + m_capacity / 2 + 1));
    const size_t page = static_cast<size_t>(index >> kPageBits);
    const size_t slot = static_cast<size_t>(index & (kPageSize - 1));
    if (m_pages.size() <= page) m_pages.resize(page + 1);
    auto& entries = m_pages[page];
    if (entries.size() <= slot) {
        // Pages before the last are always full; the last grows up to the
        // capacity, so only its own entries ever move.
        long long want = static_cast<long long>(m_capacity) - static_cast<long long>(page) * kPageSize;
        want = std::clamp<long long>(want, static_cast<long long>(slot) + 1, kPageSize);
        entries.resize(static_cast<size_t>(want));
    }
    entries[slot] = ElementPos{};
    ++m_elementCount;
    return index;
}

bool XmlDoc::IsWellFormed() const noexcept { return (Elem(0).flags & kDocIllFormed) == 0; }

// ---------------------------------------------------------------- parse

bool XmlDoc::Parse() {
    m_parent = m_main = m_child = 0;
    const std::u16string_view text = m_text.view();
    if (text.size() > kMaxTextLength) {
        ResetIndex(kIndexSlack);
        Elem(0).flags |= kDocIllFormed;
        XmlLogRecord(u"document_too_large").Number(u"length", static_cast<long long>(text.size())).AppendTo(m_resultLog);
        return false;
    }
    const int n = static_cast<int>(text.size());
    ResetIndex(n / kCharsPerElementGuess + kIndexSlack);
    Elem(0).length = n;

    bool wellFormed = true;
    auto fail = [&](std::u16string_view word, int offset) {
        wellFormed = false;
        XmlLogRecord(word).Number(u"offset", offset).AppendTo(m_resultLog);
    };
    auto unterminated = [&](std::u16string_view kind, int offset) {
        wellFormed = false;
        XmlLogRecord(u"unterminated_tag_syntax").Text(u"type", kind).Number(u"offset", offset).AppendTo(m_resultLog);
    };

    // Open elements, innermost last. Entry 0 stands for the document level.
    struct Open {
        int elem;
        int lastChild;
        std::u16string_view name;
    };
    std::vector<Open> stack;
    stack.push_back({0, 0, {}});
    // Depths of the open elements by tag name, so an end tag finds its
    // element (or learns it has none) without walking the whole stack.
    std::unordered_map<std::u16string_view, std::vector<int>> openByName;
    int topLevelElements = 0;

    auto popTo = [&](size_t depth) {
        while (stack.size() > depth + 1) {
            auto it = openByName.find(stack.back().name);
            if (it != openByName.end()) {
                it->second.pop_back();
                if (it->second.empty()) openByName.erase(it);
            }
            stack.pop_back();
        }
    };

    // Every element open above depth loses its content: it becomes an
    // element without end tag, and what was parsed inside it follows it as
    // siblings inside the element at depth.
    auto unendAbove = [&](size_t depth) {
        Open& target = stack[depth];
        for (size_t s = depth + 1; s < stack.size(); ++s) {
            const int e = stack[s].elem;
            ElementPos& el = Elem(e);
            wellFormed = false;
            XmlLogRecord(u"unended_start_tag")
                .Text(u"tagname", stack[s].name)
                .Number(u"offset", el.start)
                .AppendTo(m_resultLog);
            el.flags |= kElemUnended;
            el.length = el.startTagLength;
            const int first = el.firstChild;
            if (!first) continue;
            el.firstChild = 0;
            el.nextSibling = first;
            Elem(first).prevSibling = e;
            for (int c = first; c; c = Elem(c).nextSibling) Elem(c).parent = target.elem;
        }
        const Open& top = stack.back();
        target.lastChild = top.lastChild ? top.lastChild : top.elem;
        popTo(depth);
    };

    int i = 0;
    while (i < n) {
        if (text[static_cast<size_t>(i)] != u'<') {
            size_t lt = text.find(u'<', static_cast<size_t>(i));
            const int next = lt == std::u16string_view::npos ? n : static_cast<int>(lt);
            if (stack.size() == 1 && !AllSpace(text.substr(static_cast<size_t>(i), static_cast<size_t>(next - i))))
                fail(u"text_outside_root", i);
            i = next;
            continue;
        }
        const size_t at = static_cast<size_t>(i);
        if (i + 1 >= n) {
            unterminated(u"tag", i);
            break;
        }
        const char16_t c1 = text[at + 1];
        if (c1 == u'?') {
            size_t end = text.find(u"?>", at + 2);
            if (end == std::u16string_view::npos) {
                unterminated(u"processing_instruction", i);
                break;
            }
            i = static_cast<int>(end + 2);
            continue;
        }
        if (c1 == u'!') {
            if (StartsWith(text, at, u"<!--")) {
                size_t end = text.find(u"-->", at + 4);
                if (end == std::u16string_view::npos) {
                    unterminated(u"comment", i);
                    break;
                }
                i = static_cast<int>(end + 3);
            } else if (StartsWith(text, at, u"<!-")) {
                fail(u"comment_tag_syntax", i);
                i += 2;
            } else if (StartsWith(text, at, u"<![")) {
                if (!StartsWith(text, at, u"<![CDATA[")) {
                    fail(u"cdata_section_syntax", i);
                    i += 2;
                    continue;
                }
                size_t end = text.find(u"]]>", at + 9);
                if (end == std::u16string_view::npos) {
                    unterminated(u"cdata_section", i);
                    break;
                }
                if (stack.size() == 1) fail(u"text_outside_root", i);
                i = static_cast<int>(end + 3);
            } else if (StartsWithNoCase(text, at, u"<!DOCTYPE")) {
                size_t j = at + 9;
                if (j < text.size() && !xmltext::IsSpace(text[j])) {
                    fail(u"doctype_tag_syntax", i);
                    i += 2;
                    continue;
                }
                // Up to the ">" outside quotes and outside the internal subset.
                int bracket = 0;
                char16_t quote = 0;
                for (; j < text.size(); ++j) {
                    const char16_t c = text[j];
                    if (quote) {
                        if (c == quote) quote = 0;
                    } else if (c == u'"' || c == u'\'') {
                        quote = c;
                    } else if (c == u'[') {
                        ++bracket;
                    } else if (c == u']') {
                        if (bracket > 0) --bracket;
                    } else if (c == u'>' && bracket == 0) {
                        break;
                    }
                }
                if (j >= text.size()) {
                    unterminated(u"document_type", i);
                    break;
                }
                i = static_cast<int>(j + 1);
            } else {
                fail(u"exclamation_tag_syntax", i);
                i += 2;
            }
            continue;
        }
        if (c1 == u'/') {
            size_t nameEnd = at + 2;
            while (nameEnd < text.size() && xmltext::IsNameChar(text[nameEnd])) ++nameEnd;
            size_t gt = text.find(u'>', nameEnd);
            if (gt == std::u16string_view::npos) {
                unterminated(u"end_tag", i);
                break;
            }
            const std::u16string_view name = text.substr(at + 2, nameEnd - at - 2);
            auto it = name.empty() ? openByName.end() : openByName.find(name);
            if (it == openByName.end()) {
                wellFormed = false;
                XmlLogRecord(u"lone_end_tag").Text(u"tagname", name).Number(u"offset", i).AppendTo(m_resultLog);
            } else {
                const size_t depth = static_cast<size_t>(it->second.back());
                if (depth + 1 < stack.size()) unendAbove(depth);
                ElementPos& el = Elem(stack[depth].elem);
                el.length = static_cast<int>(gt + 1) - el.start;
                el.endTagLength = static_cast<int>(gt + 1 - at);
                popTo(depth - 1);
            }
            i = static_cast<int>(gt + 1);
            continue;
        }
        if (!xmltext::IsNameChar(c1)) {
            fail(u"first_tag_syntax", i);
            ++i;
            continue;
        }
        // A start tag or an empty-element tag; a quoted value may hold ">".
        size_t nameEnd = at + 1;
        while (nameEnd < text.size() && xmltext::IsNameChar(text[nameEnd])) ++nameEnd;
        size_t j = nameEnd;
        while (j < text.size()) {
            const char16_t c = text[j];
            if (c == u'>') break;
            if (c == u'"' || c == u'\'') {
                size_t close = text.find(c, j + 1);
                j = close == std::u16string_view::npos ? text.size() : close + 1;
                continue;
            }
            ++j;
        }
        if (j >= text.size()) {
            unterminated(u"start_tag", i);
            break;
        }
        const bool emptyForm = j > nameEnd && text[j - 1] == u'/';
        const int e = NewElement();
        if (!e) {
            fail(u"too_many_elements", i);
            break;
        }
        ElementPos& el = Elem(e);
        el.start = i;
        el.startTagLength = static_cast<int>(j + 1 - at);
        el.length = el.startTagLength;
        Open& top = stack.back();
        el.parent = top.elem;
        el.prevSibling = top.lastChild;
        if (top.lastChild)
            Elem(top.lastChild).nextSibling = e;
        else
            Elem(top.elem).firstChild = e;
        top.lastChild = e;
        const std::u16string_view name = text.substr(at + 1, nameEnd - at - 1);
        if (stack.size() == 1 && ++topLevelElements > 1) {
            wellFormed = false;
            XmlLogRecord(u"root_has_sibling").Text(u"tagname", name).Number(u"offset", i).AppendTo(m_resultLog);
        }
        if (!emptyForm) {
            openByName[name].push_back(static_cast<int>(stack.size()));
            stack.push_back({e, 0, name});
        }
        i = static_cast<int>(j + 1);
    }
    if (stack.size() > 1) unendAbove(0);
    if (topLevelElements == 0) {
        wellFormed = false;
        XmlLogRecord(u"no_root_element").AppendTo(m_resultLog);
    }
    if (!wellFormed) Elem(0).flags |= kDocIllFormed;
    return wellFormed;
}

// ---------------------------------------------------------------- cursor

std::u16string_view XmlDoc::StartTagView(int index) const {
    const ElementPos& el = Elem(index);
    return m_text.view().substr(static_cast<size_t>(el.start), static_cast<size_t>(el.startTagLength));
}

bool XmlDoc::NameMatches(int index, std::u16string_view name) const {
    const std::u16string_view tag = StartTagView(index);
    const size_t nameEnd = xmltext::SkipTagName(tag);
    return nameEnd >= 1 && tag.substr(1, nameEnd - 1) == name;
}

bool XmlDoc::FindElement(const char16_t* name) {
    if (m_documentFlags & kWriteFileMode) return false;
    const std::u16string_view wanted = name ? std::u16string_view(name) : std::u16string_view();
    int e = m_main ? Elem(m_main).nextSibling : Elem(m_parent).firstChild;
    for (; e; e = Elem(e).nextSibling) {
        if (wanted.empty() || NameMatches(e, wanted)) {
            m_main = e;
            m_child = 0;
            return true;
        }
    }
    return false;
}

bool XmlDoc::EnterElement() {
    if (!m_main) return false;
    m_parent = m_main;
    m_main = m_child;
    m_child = 0;
    return true;
}

bool XmlDoc::LeaveElement() {
    if (!m_parent) return false;
    m_child = m_main;
    m_main = m_parent;
    m_parent = Elem(m_parent).parent;
    return true;
}

// ---------------------------------------------------------------- attributes

CString XmlDoc::AttributeValue(const char16_t* name) const {
    if (!m_main || !name || !*name) return {};
    const std::u16string_view tag = StartTagView(m_main);
    xmltext::Attribute a;
    if (!xmltext::FindAttribute(tag, name, a)) return {};
    return CString(xmltext::Unescape(tag.substr(a.valueBegin, a.valueEnd - a.valueBegin)));
}

CString XmlDoc::TagName() const {
    if (!m_main) return {};
    const std::u16string_view tag = StartTagView(m_main);
    const size_t nameEnd = xmltext::SkipTagName(tag);
    return CString(tag.substr(1, nameEnd - 1));
}

CString XmlDoc::AttributeName(int index) const {
    if (!m_main || index < 0) return {};
    const std::u16string_view tag = StartTagView(m_main);
    size_t pos = xmltext::SkipTagName(tag);
    xmltext::Attribute a;
    for (int k = 0; xmltext::NextAttribute(tag, pos, a); ++k)
        if (k == index) return CString(a.name);
    return {};
}

CString XmlDoc::AttributeValueAt(int index) const {
    if (!m_main || index < 0) return {};
    const std::u16string_view tag = StartTagView(m_main);
    size_t pos = xmltext::SkipTagName(tag);
    xmltext::Attribute a;
    for (int k = 0; xmltext::NextAttribute(tag, pos, a); ++k)
        if (k == index) return CString(xmltext::Unescape(tag.substr(a.valueBegin, a.valueEnd - a.valueBegin)));
    return {};
}

std::vector<std::pair<CString, CString>> XmlDoc::Attributes() const {
    std::vector<std::pair<CString, CString>> out;
    if (!m_main) return out;
    const std::u16string_view tag = StartTagView(m_main);
    size_t pos = xmltext::SkipTagName(tag);
    xmltext::Attribute a;
    while (xmltext::NextAttribute(tag, pos, a))
        out.emplace_back(CString(a.name), CString(xmltext::Unescape(tag.substr(a.valueBegin, a.valueEnd - a.valueBegin))));
    return out;
}

CString XmlDoc::EscapeAttribute(const char16_t* text) {
    return CString(xmltext::EscapeAttribute(text ? std::u16string_view(text) : std::u16string_view()));
}

CString XmlDoc::UnescapeText(std::u16string_view text) { return CString(xmltext::Unescape(text)); }

// ---------------------------------------------------------------- writing

// After text [editPos, editPos + oldLength) was replaced by newLength
// characters: elements after the edit move, elements around it grow.
void XmlDoc::AdjustForEdit(int editPos, int oldLength, int newLength, int except) {
    const int delta = newLength - oldLength;
    const int editEnd = editPos + oldLength;
    for (int e = 1; e < m_elementCount; ++e) {
        if (e == except) continue;
        ElementPos& el = Elem(e);
        const int end = el.start + el.length;
        if (el.start >= editEnd)
            el.start += delta;
        else if (el.start < editPos && end >= editEnd && end > editPos)
            el.length += delta;
    }
    Elem(0).length = m_text.GetLength();
}

bool XmlDoc::SetAttributeValue(const char16_t* name, const char16_t* text) {
    if (!m_main || !name || !xmltext::IsValidName(name)) return false;
    const ElementPos& el = Elem(m_main);
    const std::u16string_view tag = StartTagView(m_main);
    std::u16string quoted = u"\"" + xmltext::EscapeAttribute(text ? std::u16string_view(text) : u"") + u"\"";
    int editPos = 0;
    int oldLength = 0;
    std::u16string replacement;
    xmltext::Attribute a;
    if (xmltext::FindAttribute(tag, name, a)) {
        editPos = el.start + static_cast<int>(a.rawBegin);
        oldLength = static_cast<int>(a.rawEnd - a.rawBegin);
        replacement = std::move(quoted);
    } else {
        // Before the "/>" or ">" that ends the start tag.
        const size_t closing = tag.size() >= 2 && tag[tag.size() - 2] == u'/' ? 2 : 1;
        const size_t insertAt = tag.size() - closing;
        editPos = el.start + static_cast<int>(insertAt);
        // A dangling "=" would take the new attribute for its value: give
        // it its (empty) value first.
        size_t last = insertAt;
        while (last > 0 && xmltext::IsSpace(tag[last - 1])) --last;
        if (last > 0 && tag[last - 1] == u'=') replacement = u"\"\"";
        replacement += u" ";
        replacement += name;
        replacement += u"=";
        replacement += quoted;
    }
    if (m_text.str().size() + replacement.size() > kMaxTextLength) return false;
    std::u16string edited = m_text.str();
    edited.replace(static_cast<size_t>(editPos), static_cast<size_t>(oldLength), replacement);
    m_text = CString(std::move(edited));
    const int newLength = static_cast<int>(replacement.size());
    AdjustForEdit(editPos, oldLength, newLength, 0);
    Elem(m_main).startTagLength += newLength - oldLength;
    return true;
}

bool XmlDoc::SetAttributeValue(const char16_t* name, int value) {
    return SetAttributeValue(name, CString::FromInt(value).c_str());
}

bool XmlDoc::AppendElement(const char16_t* name, const char16_t* content) {
    if (m_documentFlags & kReadFileMode) return false;
    if (!name || !xmltext::IsValidName(name)) return false;
    const std::u16string_view tagName(name);
    std::u16string element = u"<" + std::u16string(tagName);
    int startTagLength = 0;
    int endTagLength = 0;
    if (content && *content) {
        element += u">";
        startTagLength = static_cast<int>(element.size());
        element += xmltext::EscapeText(content);
        element += u"</" + std::u16string(tagName) + u">";
        endTagLength = static_cast<int>(tagName.size()) + 3;
    } else {
        element += u"/>";
        startTagLength = static_cast<int>(element.size());
    }
    const int elementLength = static_cast<int>(element.size());

    int after = m_main;
    if (!after)
        for (int c = Elem(m_parent).firstChild; c; c = Elem(c).nextSibling) after = c;

    const std::u16string& text = m_text.str();
    int editPos = 0;
    int oldLength = 0;
    int elementStart = 0;
    std::u16string replacement;
    int parentRewrite = 0;  // 1: "<p/>" was opened, 2: an unended "<p>" was
    int parentEndTagLength = 0;
    if (after) {
        // On the line after the preceding sibling.
        const ElementPos& prev = Elem(after);
        size_t pos = static_cast<size_t>(prev.start + prev.length);
        if (StartsWith(text, pos, kLineEnd))
            pos += 2;
        else if (pos < text.size() && text[pos] == u'\n')
            pos += 1;
        editPos = static_cast<int>(pos);
        elementStart = editPos;
        replacement = element + std::u16string(kLineEnd);
    } else if (m_parent == 0) {
        editPos = static_cast<int>(text.size());
        if (!text.empty() && text.back() != u'\n') replacement = kLineEnd;
        elementStart = editPos + static_cast<int>(replacement.size());
        replacement += element + std::u16string(kLineEnd);
    } else {
        const ElementPos& parent = Elem(m_parent);
        const std::u16string_view parentTag = StartTagView(m_parent);
        if (parent.length == parent.startTagLength) {
            // "<p/>" or an unended "<p>": open it into "<p>", the new line, "</p>".
            const size_t nameEnd = xmltext::SkipTagName(parentTag);
            const std::u16string endTag = u"</" + std::u16string(parentTag.substr(1, nameEnd - 1)) + u">";
            const bool slash = parentTag.size() >= 2 && parentTag[parentTag.size() - 2] == u'/';
            oldLength = slash ? 2 : 1;
            editPos = parent.start + parent.startTagLength - oldLength;
            replacement = u">" + std::u16string(kLineEnd) + element + std::u16string(kLineEnd) + endTag;
            elementStart = editPos + 1 + static_cast<int>(kLineEnd.size());
            parentRewrite = slash ? 1 : 2;
            parentEndTagLength = static_cast<int>(endTag.size());
        } else {
            // An element with an end tag but no child elements.
            editPos = parent.start + parent.length - parent.endTagLength;
            if (editPos == 0 || text[static_cast<size_t>(editPos - 1)] != u'\n') replacement = kLineEnd;
            elementStart = editPos + static_cast<int>(replacement.size());
            replacement += element + std::u16string(kLineEnd);
        }
    }
    if (text.size() + replacement.size() > kMaxTextLength) return false;
    std::u16string edited = text;
    edited.replace(static_cast<size_t>(editPos), static_cast<size_t>(oldLength), replacement);
    m_text = CString(std::move(edited));
    AdjustForEdit(editPos, oldLength, static_cast<int>(replacement.size()), 0);
    if (parentRewrite) {
        ElementPos& parent = Elem(m_parent);
        if (parentRewrite == 1) parent.startTagLength -= 1;
        parent.endTagLength = parentEndTagLength;
        parent.flags &= ~kElemUnended;
    }

    const int e = NewElement();
    if (!e) return false;
    ElementPos& el = Elem(e);
    el.start = elementStart;
    el.length = elementLength;
    el.startTagLength = startTagLength;
    el.endTagLength = endTagLength;
    el.parent = m_parent;
    el.prevSibling = after;
    el.nextSibling = after ? Elem(after).nextSibling : 0;
    if (el.nextSibling) Elem(el.nextSibling).prevSibling = e;
    if (after)
        Elem(after).nextSibling = e;
    else
        Elem(m_parent).firstChild = e;
    m_main = e;
    m_child = 0;
    return true;
}
