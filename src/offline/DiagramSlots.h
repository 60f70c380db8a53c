#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orv {

// The five places for diagram windows. A window holds a slot from its creation until it closes;
// the slot remembers the window's file. The limit of five is counted here and nowhere else.
class DiagramSlots {
public:
    static constexpr int kCount = 5;
    // Identity of a window (its address); 0 marks a free slot.
    using Owner = std::uintptr_t;

    struct Slot {
        Owner owner = 0;
        std::string fileTitle; // file name without folder
        std::string filePath;
    };

    // The first free slot, or nullopt when all five are taken.
    [[nodiscard]] std::optional<int> firstFree() const;
    // Takes the first free slot for `owner`; nullopt when there is none.
    std::optional<int> claim(Owner owner, std::string fileTitle, std::string filePath);
    // Frees every slot `owner` holds.
    void release(Owner owner);
    [[nodiscard]] std::optional<int> find(Owner owner) const;
    // A new file for the window in slot `index`.
    void setFile(int index, std::string fileTitle, std::string filePath);

    [[nodiscard]] const Slot& at(int index) const {
        return slots_.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] int used() const;

private:
    std::array<Slot, kCount> slots_{};
};

} // namespace orv
