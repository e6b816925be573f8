// Parse throughput of the XML engine, in bytes of UTF-16 text per second:
// the data files that ship in the data root (config.xml, the layout files)
// and a synthetic 1 MB document with many attributes; plus a file read with
// its encoding work and a full walk reading every attribute.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "docs/XmlDoc.h"

namespace {

constexpr size_t kSyntheticBytes = 1 << 20;

std::string DataRoot() {
    if (const char* env = std::getenv("TASTRA_DATA_ROOT"); env && *env) return env;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return ".";
    exe[n] = '\0';
    return (std::filesystem::path(exe).parent_path() / ".." / "share" / "tastra").string();
}

// Every .xml file of the data root, read the way the program reads them.
std::vector<CString> ShippedTexts() {
    std::vector<CString> texts;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(DataRoot(), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file() || it->path().extension() != ".xml") continue;
        CString text;
        if (XmlDoc::ReadDocumentFile(CString::FromUtf8(it->path().string()), text)) texts.push_back(text);
    }
    return texts;
}

// About 1 MB of UTF-16 text: profiles of keys with six attributes each,
// some values escaped.
CString SyntheticDocument() {
    std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles>\r\n";
    for (int p = 0; text.size() * 2 < kSyntheticBytes; ++p) {
        text += u"<profile id=\"" + CString::FromInt(p).str() + u"\" name=\"Profile &amp; &#x41; &lt;" +
                CString::FromInt(p).str() + u"&gt;\">\r\n";
        for (int k = 0; k < 100; ++k) {
            const std::u16string n = CString::FromInt(k).str();
            text += u"<key key_code=\"" + n + u"\" fn_layer=\"0\" type=\"3\" value=\"" + n +
                    u"\" macro_id='-1' label=\"K&apos;" + n + u"\"/>\r\n";
        }
        text += u"</profile>\r\n";
    }
    text += u"</profiles>\r\n";
    return CString(std::move(text));
}

void ParseAll(benchmark::State& state, const std::vector<CString>& texts) {
    if (texts.empty()) {
        state.SkipWithError("no data files found in the data root");
        return;
    }
    size_t bytes = 0;
    for (const auto& t : texts) bytes += static_cast<size_t>(t.GetLength()) * sizeof(char16_t);
    for (auto _ : state) {
        for (const auto& t : texts) {
            XmlDoc doc(t.c_str());
            benchmark::DoNotOptimize(doc.IsWellFormed());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["files"] = static_cast<double>(texts.size());
}

void BM_ParseShippedDataFiles(benchmark::State& state) {
    static const std::vector<CString> texts = ShippedTexts();
    ParseAll(state, texts);
}
BENCHMARK(BM_ParseShippedDataFiles)->Unit(benchmark::kMicrosecond);

void BM_ParseSynthetic1MB(benchmark::State& state) {
    static const std::vector<CString> texts{SyntheticDocument()};
    ParseAll(state, texts);
}
BENCHMARK(BM_ParseSynthetic1MB)->Unit(benchmark::kMillisecond);

// Parse plus a walk over every element reading every attribute.
void BM_ParseAndReadAllAttributes(benchmark::State& state) {
    static const CString text = SyntheticDocument();
    for (auto _ : state) {
        XmlDoc doc(text.c_str());
        size_t values = 0;
        while (true) {
            if (!doc.FindElement()) {
                if (!doc.LeaveElement()) break;
                continue;
            }
            values += doc.Attributes().size();
            doc.EnterElement();
        }
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.GetLength() * 2);
}
BENCHMARK(BM_ParseAndReadAllAttributes)->Unit(benchmark::kMillisecond);

// ReadDocumentFile (UTF-8 detection and conversion) plus Parse, per
// file byte.
void BM_ReadFileAndParse(benchmark::State& state) {
    const std::string path = std::filesystem::temp_directory_path() / ("bench_docs_" + std::to_string(getpid()) + ".xml");
    static const CString text = SyntheticDocument();
    if (!XmlDoc::WriteDocumentFile(CString::FromUtf8(path), text)) {
        state.SkipWithError("cannot write the temporary file");
        return;
    }
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        XmlDoc doc;
        benchmark::DoNotOptimize(doc.LoadDocumentFile(CString::FromUtf8(path)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFileAndParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
