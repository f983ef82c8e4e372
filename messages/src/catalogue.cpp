// Text lookup over the two language columns.
#include "messages/catalogue.h"

#include <array>

namespace messages {
namespace {

using Cells = std::array<std::array<const char*, 2>, kTextCount>;

void fillColumn(Cells& cells, const CatalogueRow* rows, int size, int column) {
    for (int i = 0; i < size; ++i) {
        const int slot = static_cast<int>(rows[i].id);
        if (slot >= 0 && slot < kTextCount && rows[i].text != nullptr) {
            cells[slot][column] = rows[i].text;
        }
    }
}

// Built once: every cell cleared, both columns set, then each French cell still empty takes
// the English text of its slot.
Cells buildCells() {
    Cells cells{};
    fillColumn(cells, kEnglishColumn, kEnglishColumnSize, 0);
    fillColumn(cells, kFrenchColumn, kFrenchColumnSize, 1);
    for (auto& slot : cells) {
        if (slot[1] == nullptr) slot[1] = slot[0];
    }
    return cells;
}

}  // namespace

std::string_view text(Text id, Language language) {
    static const Cells cells = buildCells();
    const int slot = static_cast<int>(id);
    if (slot < 0 || slot >= kTextCount) return {};
    const char* found = cells[slot][language == Language::French ? 1 : 0];
    return found != nullptr ? std::string_view(found) : std::string_view();
}

}  // namespace messages
