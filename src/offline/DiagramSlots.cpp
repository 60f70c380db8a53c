#include "offline/DiagramSlots.h"

namespace orv {

std::optional<int> DiagramSlots::firstFree() const {
    for (int i = 0; i < kCount; ++i) {
        if (at(i).owner == 0) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> DiagramSlots::claim(Owner owner, std::string fileTitle, std::string filePath) {
    const auto free = firstFree();
    if (!free || owner == 0) {
        return std::nullopt;
    }
    slots_[static_cast<std::size_t>(*free)] = {owner, std::move(fileTitle), std::move(filePath)};
    return free;
}

void DiagramSlots::release(Owner owner) {
    for (Slot& s : slots_) {
        if (s.owner == owner) {
            s = Slot{};
        }
    }
}

std::optional<int> DiagramSlots::find(Owner owner) const {
    for (int i = 0; i < kCount; ++i) {
        if (owner != 0 && at(i).owner == owner) {
            return i;
        }
    }
    return std::nullopt;
}

void DiagramSlots::setFile(int index, std::string fileTitle, std::string filePath) {
    Slot& s = slots_.at(static_cast<std::size_t>(index));
    s.fileTitle = std::move(fileTitle);
    s.filePath = std::move(filePath);
}

int DiagramSlots::used() const {
    int n = 0;
    for (const Slot& s : slots_) {
        n += s.owner != 0 ? 1 : 0;
    }
    return n;
}

} // namespace orv
