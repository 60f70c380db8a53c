#pragma once

#include <QIcon>
#include <QPixmap>

namespace orv {

// The program's own pictures, painted at run time so they stay sharp at any size and need no
// image files: the language flags, the toolbar pictures and the product logo.
enum class ShellPicture {
    FlagGerman,
    FlagUk,
    OnlineChart, // toolbar 2
    ViewFile,    // toolbar 3
    NewFile,     // toolbar 5
    StartRecord, // toolbar 6
    StopRecord,  // toolbar 7
};

[[nodiscard]] QIcon shellIcon(ShellPicture picture);
[[nodiscard]] QPixmap productLogo(int size);
// Window icon of the program.
[[nodiscard]] QIcon productIcon();

} // namespace orv
