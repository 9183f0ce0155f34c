// A run of 16-bit numbers aligned for the widest vector loads, zeroed when made.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace qorat {

class AlignedNumbers {
public:
    // A cache line: every vector load of a row that starts on one stays within it.
    static constexpr std::size_t Alignment = 64;

    AlignedNumbers() = default;
    explicit AlignedNumbers(std::size_t count)
        : items(static_cast<std::int16_t*>(::operator new[](count * sizeof(std::int16_t), std::align_val_t{Alignment}))),
          length(count) {
        std::fill_n(items.get(), count, std::int16_t{0});
    }

    std::int16_t* data() { return items.get(); }
    const std::int16_t* data() const { return items.get(); }
    std::size_t size() const { return length; }

private:
    struct Free {
        void operator()(std::int16_t* p) const { ::operator delete[](p, std::align_val_t{Alignment}); }
    };
    std::unique_ptr<std::int16_t[], Free> items;
    std::size_t length = 0;
};

}  // namespace qorat
