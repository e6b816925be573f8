// The shipped language files, as the build copies them into the data root:
// their form (what the INI reader of the program relies on), their equal
// id sets, and every text id the program shows.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestEnv.h"
#include "ui/base/CString.h"

namespace {

constexpr int kMaxTextLength = 259;
constexpr char kSection[] = "[KB.DIALOG]";

struct LanguageFile {
    std::string name;
    std::map<int, std::string> texts;  // id -> UTF-8 text
};

// Reads one file, reporting every violation of the form as a test failure.
LanguageFile ParseFile(const std::string& name) {
    LanguageFile file{name, {}};
    const std::string bytes = testenv::ReadFile(testenv::DataRoot() + "/language/" + name);
    EXPECT_FALSE(bytes.empty()) << name << " is missing or empty";
    EXPECT_NE(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << name << " starts with a byte-order mark";
    bool inSection = false;
    int previousId = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            ADD_FAILURE() << name << ": the last line has no CR LF";
            break;
        }
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.back() != '\r') {
            ADD_FAILURE() << name << ": line without CR LF: " << line;
            continue;
        }
        line.pop_back();
        EXPECT_EQ(line.find('\r'), std::string::npos) << name << ": stray CR in " << line;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            EXPECT_FALSE(inSection) << name << ": more than one section";
            EXPECT_EQ(line, kSection) << name;
            inSection = true;
            continue;
        }
        EXPECT_TRUE(inSection) << name << ": text before the section: " << line;
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals == std::string::npos ? 0 : equals);
        if (key.empty() || key.size() > 9 || key.find_first_not_of("0123456789") != std::string::npos) {
            ADD_FAILURE() << name << ": not a line of the form <decimal id>=<text>: " << line;
            continue;
        }
        const std::string value = line.substr(equals + 1);
        EXPECT_NE(key[0], '0') << name << ": leading zero in " << key;
        const int id = std::stoi(key);
        EXPECT_GT(id, previousId) << name << ": ids out of order or repeated at " << id;
        previousId = id;

        EXPECT_FALSE(value.empty()) << name << ": empty text " << id;
        // The reader trims blanks and one pair of surrounding quotes.
        if (!value.empty()) {
            EXPECT_NE(value.front(), ' ') << name << ": text " << id << " starts with a blank";
            EXPECT_NE(value.back(), ' ') << name << ": text " << id << " ends with a blank";
            EXPECT_FALSE(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                         value.back() == value.front())
                << name << ": text " << id << " would lose its quotes";
        }
        const CString wide = CString::FromUtf8(value);
        EXPECT_LE(wide.GetLength(), kMaxTextLength) << name << ": text " << id << " is too long";
        for (int i = 0; i < wide.GetLength(); ++i) {
            EXPECT_NE(wide.GetAt(i), u'\uFFFD') << name << ": text " << id << " is not valid UTF-8";
        }
        file.texts[id] = value;
    }
    EXPECT_TRUE(inSection) << name << " has no " << kSection << " section";
    return file;
}

std::set<int> Ids(const LanguageFile& file) {
    std::set<int> ids;
    for (const auto& [id, text] : file.texts) {
        ids.insert(id);
    }
    return ids;
}

// Every text the program shows: window, pages, dialogs, message boxes,
// tooltips, tips, the picker, the special functions, and the lighting
// page's labels, lists and mode names.
std::vector<int> RequiredIds() {
    std::vector<int> ids = {1,   2,   10,  11,  20,  22,  23,  25,  26,  27,  28,  29,  30,  31,  32,  33,  50,  51,
                            52,  53,  56,  60,  61,  65,  86,  87,  150, 151, 152, 153, 156, 157, 167, 168, 170, 171,
                            172, 175, 176, 177, 201, 202, 204, 205, 206, 207, 208, 209, 210, 211, 212, 218, 230, 231,
                            232, 233, 234, 235, 236, 252, 270, 271, 272, 273, 274, 275, 276, 277, 278, 279, 290, 291,
                            293, 295, 300, 304, 311, 312, 316, 317, 318, 319, 320, 321, 322, 323, 326, 327, 330, 331,
                            335, 336, 337, 363, 364, 365, 366, 367, 368, 369, 370, 540, 541, 542, 621};
    const auto range = [&ids](int first, int last) {
        for (int id = first; id <= last; ++id) {
            ids.push_back(id);
        }
    };
    range(400, 414);    // lighting page labels and direction names
    range(420, 428);    // music and screen lighting labels
    range(430, 450);    // colour schemes 0 to 20 of music lighting
    range(460, 465);    // option grid groups
    range(470, 473);    // music modes
    range(701, 715);    // the fifteen special functions
    range(1001, 1020);  // lighting mode names used by the layout files
    return ids;
}

class LanguageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(testenv::DataRoot().empty());
        m_english = ParseFile("1033.lan");
        m_french = ParseFile("1036.lan");
    }
    LanguageFile m_english;
    LanguageFile m_french;
};

TEST_F(LanguageFiles, BothLanguagesHoldTheSameIds) {
    EXPECT_EQ(Ids(m_english), Ids(m_french));
}

TEST_F(LanguageFiles, EveryShownTextIsPresent) {
    for (const LanguageFile* file : {&m_english, &m_french}) {
        for (int id : RequiredIds()) {
            EXPECT_TRUE(file->texts.count(id)) << file->name << " lacks text " << id;
        }
    }
}

// Profile and macro names are shown with the stored prefix replaced by these
// words, which only works if they are exactly the words stored at first run.
TEST_F(LanguageFiles, BaseWordsOfGeneratedNames) {
    EXPECT_EQ(m_english.texts[65], "Profile");
    EXPECT_EQ(m_french.texts[65], "Profil");
    EXPECT_EQ(m_english.texts[331], "Macro");
    EXPECT_EQ(m_french.texts[331], "Macro");
}

TEST_F(LanguageFiles, FrenchTypography) {
    for (const auto& [id, text] : m_french.texts) {
        for (const char* mark : {" :", " ?", " !", " ;"}) {
            EXPECT_EQ(text.find(mark), std::string::npos)
                << "text " << id << ": a plain space before '" << mark[1] << "' should be a no-break space";
        }
        for (const char* mark : {":", "?", "!", ";"}) {
            const size_t at = text.find(mark);
            if (at != std::string::npos) {
                ASSERT_GE(at, 2u) << "text " << id;
                EXPECT_EQ(text.compare(at - 2, 2, "\xC2\xA0"), 0)
                    << "text " << id << ": no no-break space before '" << mark << "'";
            }
        }
        EXPECT_EQ(text.find('\''), std::string::npos) << "text " << id << ": use the typographic apostrophe";
    }
}

}  // namespace
