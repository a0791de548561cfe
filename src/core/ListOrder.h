#pragma once
#include <utility>
#include <vector>

#include "core/prompts.h"

namespace pv {

// Move Up (step -1) and Move Down (step 1) of the ordered lists whose order the server follows: the item
// at `row` trades places with its neighbour. A list of one, or an item already at that end, is not moved
// and the user is told why. True when the item moved.
template <typename Item>
bool MoveListItem(std::vector<Item>& items, int row, int step, IPrompts& prompts) {
    const int count = static_cast<int>(items.size());
    if (count == 1) {
        prompts.ShowMessage("There is only one item, it cannot be moved");
        return false;
    }
    if (step < 0 && row == 0) {
        prompts.ShowMessage("Item already first");
        return false;
    }
    if (step > 0 && row == count - 1) {
        prompts.ShowMessage("Item already last");
        return false;
    }
    std::swap(items[static_cast<size_t>(row)], items[static_cast<size_t>(row + step)]);
    return true;
}

// The row to select after the item at `removedRow` was removed and `remaining` are left: the same row when
// there still is one, else the last, else none (-1).
inline int RowAfterRemoval(int removedRow, int remaining) {
    if (remaining <= 0) return -1;
    return removedRow < remaining ? removedRow : remaining - 1;
}

}  // namespace pv
