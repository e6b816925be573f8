// libFuzzer target for the layout reader: any text, read as UTF-8, must give
// a clear result, and a definition that was accepted must keep every key
// inside the 8 x 32 grid and every index inside its table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/KeyboardCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    CString text = CString::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    KeyboardDefinition definition;
    if (!KeyboardCatalogue::ReadLayoutText(text, definition)) return 0;
    // Later code divides by the counts and indexes grids with them.
    if (definition.rowCount != 0 || definition.columnCount != 0) {
        if (definition.rowCount < 1 || definition.rowCount > KeyboardDefinition::kGridRows) std::abort();
        if (definition.columnCount < 1 || definition.columnCount > KeyboardDefinition::kGridColumns) std::abort();
    }
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 32; ++col) (void)definition.GridAt(row, col);
    for (int code = 0; code < 256; ++code) {
        (void)definition.KeyIndexOf(code);
        (void)definition.LightIndexOf(code);
    }
    return 0;
}
