#include "app/DialogLayout.h"

#include <algorithm>

namespace dlg {

namespace {

constexpr int kSave = 1000;
constexpr int kSaveAs = 1001;
constexpr int kOriginalPane = 1002;
constexpr int kOriginalGroup = 10017;

const Placement* Find(std::span<const Placement> controls, int id) {
    for (const Placement& control : controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

Rect Moved(Rect rect, std::int32_t dLeft, std::int32_t dTop, std::int32_t dRight, std::int32_t dBottom) {
    return Rect{rect.left + dLeft, rect.top + dTop, rect.right + dRight, rect.bottom + dBottom};
}

}  // namespace

std::int32_t HalfTowardZero(std::int32_t dy) {
    return dy / 2;
}  // C++ division truncates toward zero

void DialogLayout::Record(Size initialWindow, std::span<const Placement> controls) {
    m_initial = initialWindow;
    m_column.clear();
    m_panes.clear();
    for (int id : kRightColumn) {
        if (const Placement* control = Find(controls, id)) m_column.push_back(*control);
    }
    for (int id : kPaneOrder) {
        if (const Placement* control = Find(controls, id)) m_panes.push_back(*control);
    }
}

std::vector<Placement> DialogLayout::Arrange(Size window) const {
    const std::int32_t dx = window.width - m_initial.width;
    const std::int32_t dy = window.height - m_initial.height;
    const std::int32_t half = HalfTowardZero(dy);

    std::vector<Placement> placed;
    placed.reserve(m_column.size() + m_panes.size());
    for (const Placement& control : m_column) {
        const bool followsBottom = control.id == kSave || control.id == kSaveAs;
        const std::int32_t down = followsBottom ? dy : 0;
        placed.push_back({control.id, Moved(control.rect, dx, down, dx, down)});
    }
    for (const Placement& control : m_panes) {
        const bool upper = control.id == kOriginalPane || control.id == kOriginalGroup;
        const Rect rect = upper ? Moved(control.rect, 0, 0, dx, half) : Moved(control.rect, 0, half, dx, dy);
        placed.push_back({control.id, rect});
    }
    return placed;
}

Rect DialogLayout::Recorded(int id) const {
    if (const Placement* control = Find(m_column, id)) return control->rect;
    if (const Placement* control = Find(m_panes, id)) return control->rect;
    return Rect{};
}

Size MinimumClientSize(Size frameExtra) {
    const std::int32_t extraWidth = std::max<std::int32_t>(frameExtra.width, 0);
    const std::int32_t extraHeight = std::max<std::int32_t>(frameExtra.height, 0);
    return Size{std::max<std::int32_t>(kMinimumWindowSize.width - extraWidth, 0),
                std::max<std::int32_t>(kMinimumWindowSize.height - extraHeight, 0)};
}

}  // namespace dlg
