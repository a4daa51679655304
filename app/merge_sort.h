// A stable merge sort that survives comparisons which are no strict weak ordering.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace netrov::ui {

// Sorts items so that an item moves before an earlier one only when
// less(later, earlier) says so. Bottom-up: every pass touches each item
// once and the passes are fixed by the size alone, so any answers of less
// (inconsistent, cyclic, random) end in a permutation of the input after
// ceil(log2 n) passes. Equal-looking items keep their order.
template <typename T, typename Less>
void stableMergeSort(std::vector<T>& items, Less less)
{
    const size_t n = items.size();
    if (n < 2) return;
    std::vector<T> scratch(n);
    std::vector<T>* from = &items;
    std::vector<T>* to = &scratch;
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t left = 0; left < n; left += 2 * width) {
            const size_t middle = std::min(left + width, n);
            const size_t right = std::min(left + 2 * width, n);
            size_t i = left, j = middle, k = left;
            while (i < middle && j < right) {
                // Only "right before left" moves the right item ahead.
                if (less((*from)[j], (*from)[i])) (*to)[k++] = std::move((*from)[j++]);
                else (*to)[k++] = std::move((*from)[i++]);
            }
            while (i < middle) (*to)[k++] = std::move((*from)[i++]);
            while (j < right) (*to)[k++] = std::move((*from)[j++]);
        }
        std::swap(from, to);
    }
    if (from != &items) items = std::move(*from);
}

}  // namespace netrov::ui
